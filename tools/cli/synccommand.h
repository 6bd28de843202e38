#pragma once

#include "tools/cli/carddavcommand.h"

// quorvelin-tool sync: the directory and a CardDAV address book kept in
// step both ways, with what was given last time remembered.
class SyncCommand : public CardDavCommand
{
public:
    explicit SyncCommand(Context& context)
        : CardDavCommand(context, QStringLiteral("sync"))
    {
    }

    QString help() const override;
    int run(const QStringList& arguments) override;

private:
    // Says what the sync did or would do; the exit status.
    int report(const SyncEngine::Result& result, bool dryRun);
};
