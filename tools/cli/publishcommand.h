#pragma once

#include "tools/cli/command.h"

// quorvelin-tool publish: the directory, or one folder, mirrored into a
// CardDAV address book.
class PublishCommand : public Command
{
public:
    explicit PublishCommand(Context& context)
        : Command(context, QStringLiteral("publish"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
