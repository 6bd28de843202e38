#pragma once

#include "tools/cli/command.h"

// quorvelin-tool backup: a consistent copy of the file.
class BackupCommand : public Command
{
public:
    explicit BackupCommand(Context& context)
        : Command(context, QStringLiteral("backup"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
