#pragma once

#include "tools/carddav/syncengine.h"
#include "tools/cli/command.h"

#include <QCommandLineOption>
#include <QUrl>

#include <memory>

class DavClient;
class QCommandLineParser;

// What publish and sync share: the options of the address book, the
// password, and showing what the engine does and did.
class CardDavCommand : public Command
{
protected:
    CardDavCommand(Context& context, const QString& name);
    ~CardDavCommand() override;

    // --user, --folder, --dry-run, --timeout and --password-command.
    void addOptions(QCommandLineParser& parser) const;
    // --timeout's seconds; throws ToolError for a value out of range.
    int seconds(const QCommandLineParser& parser) const;
    // A client for `url` as `user` (none: the one in the URL, if any), with
    // the password found as PasswordSource finds it.
    std::unique_ptr<DavClient> client(const QUrl& url, const QString& user, const QString& passwordCommand,
                                      bool prompt, int seconds) const;
    SyncEngine::Listener listener();
    // Says what the run did not do; true when it did everything. `again`
    // names the command that finishes the work ("publish").
    bool reportFailures(const SyncEngine::Result& result, const QString& again);

    const QCommandLineOption m_user;
    const QCommandLineOption m_folder;
    const QCommandLineOption m_dryRun;
    const QCommandLineOption m_timeout;
    const QCommandLineOption m_passwordCommand;
};
