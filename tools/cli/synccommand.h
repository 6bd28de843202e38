#pragma once

#include "tools/cli/command.h"

// quorvelin-tool sync: the directory and a CardDAV address book kept in
// step both ways, with what was given last time remembered.
class SyncCommand : public Command
{
public:
    explicit SyncCommand(Context& context)
        : Command(context, QStringLiteral("sync"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;
};
