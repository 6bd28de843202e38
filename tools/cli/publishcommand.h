#pragma once

#include "tools/cli/carddavcommand.h"

// quorvelin-tool publish: the directory, or one folder, mirrored into a
// CardDAV address book.
class PublishCommand : public CardDavCommand
{
public:
    explicit PublishCommand(Context& context)
        : CardDavCommand(context, QStringLiteral("publish"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
