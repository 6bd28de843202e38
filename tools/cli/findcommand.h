#pragma once

#include "tools/cli/command.h"

// quorvelin-tool find: entries and folders whose name or number holds a text.
class FindCommand : public Command
{
public:
    explicit FindCommand(Context& context)
        : Command(context, QStringLiteral("find"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
