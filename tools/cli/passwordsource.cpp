#include "tools/cli/passwordsource.h"

#include "tools/carddav/collectionscope.h"
#include "tools/cli/terminal.h"
#include "tools/formats/printable.h"
#include "tools/formats/toolerror.h"
#include "tools/http/secretmemory.h"

#include <QProcess>
#include <QStandardPaths>

#include <optional>

#ifdef Q_OS_UNIX
#include <sys/resource.h>
#endif
#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

namespace {

// Longer than a password manager asking its own question takes, short
// enough that an unattended run that can never have an answer ends.
constexpr int CommandMs = 120'000;
// A keyring that is locked asks to be unlocked; nobody may be there.
constexpr int KeyringMs = 15'000;

// The first line a program writes, when it ends well. What it says on its
// error channel goes to ours, unless the caller wants its first line to tell
// the user in its own words (a keyring nobody can reach is no error of the
// user's command and should not come before our message).
std::optional<QString> firstLine(const QString& program, const QStringList& arguments, int timeoutMs,
                                 QString* complaint = nullptr)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(complaint ? QProcess::SeparateChannels : QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        if (complaint)
            *complaint = QStringLiteral("no answer within %1 s").arg(timeoutMs / 1000);
        return std::nullopt;
    }
    if (complaint)
        *complaint = Printable::text(QString::fromUtf8(process.readAllStandardError()).section(u'\n', 0, 0).trimmed());
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    QByteArray bytes = process.readAllStandardOutput();
    QString output = QString::fromUtf8(bytes);
    SecretMemory::wipe(bytes);
    QString line = output.section(u'\n', 0, 0);
    SecretMemory::wipe(output);
    if (line.isEmpty())
        return std::nullopt;
    return line;
}

// From the moment the password is in memory, no core dump may carry it to
// disk: not dumpable (which also keeps other programs of the user from
// attaching a debugger), and no core file either where a system setting
// dumps even such processes.
void keepOutOfCoreDumps()
{
#ifdef Q_OS_LINUX
    prctl(PR_SET_DUMPABLE, 0, 0, 0, 0);
#endif
#ifdef Q_OS_UNIX
    rlimit core{};
    if (getrlimit(RLIMIT_CORE, &core) == 0) {
        core.rlim_cur = 0;
        setrlimit(RLIMIT_CORE, &core);
    }
#endif
}

QString where(const QUrl& addressBook)
{
    return CollectionScope(addressBook).url().toDisplayString();
}

// The keyring's password for the address book. The README has users store it
// under the URL as they give it to sync, and the tool's own message names
// the URL ending in "/": either is found. A keyring that could not be asked
// (`complaint` says why) is not asked twice, since a locked one would keep
// an unattended run waiting twice as long.
std::optional<QString> fromKeyring(const QString& user, const QUrl& addressBook, QString* complaint)
{
    const QString secretTool = QStandardPaths::findExecutable(QStringLiteral("secret-tool"));
    if (secretTool.isEmpty())
        return std::nullopt;
    QStringList spellings{where(addressBook)};
    if (const QString given = addressBook.toDisplayString(); given != spellings.first())
        spellings.append(given);
    for (const QString& url : spellings) {
        if (auto line = firstLine(secretTool,
                                  {QStringLiteral("lookup"), QStringLiteral("service"), QStringLiteral("quorvelin"),
                                   QStringLiteral("url"), url, QStringLiteral("user"), user},
                                  KeyringMs, complaint))
            return line;
        if (!complaint->isEmpty())
            break;
    }
    return std::nullopt;
}

} // namespace

QString PasswordSource::keyringHint(const QString& user, const QUrl& addressBook)
{
    return QStringLiteral("secret-tool store --label=Quorvelin service quorvelin url %1 user %2")
        .arg(where(addressBook), user);
}

QString PasswordSource::password(const QString& user, const QUrl& addressBook, const QString& command, bool prompt)
{
    keepOutOfCoreDumps();
    if (qEnvironmentVariableIsSet("QUORVELIN_CARDDAV_PASSWORD"))
        return qEnvironmentVariable("QUORVELIN_CARDDAV_PASSWORD");
    if (!command.isEmpty()) {
        // The user's own command line, run as the user's shell would.
        if (auto line = firstLine(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}, CommandMs))
            return std::move(*line);
        throw ToolError(QStringLiteral("the password command \"%1\" gave no password. Nothing was sent.").arg(command));
    }
    QString keyringComplaint;
    if (auto line = fromKeyring(user, addressBook, &keyringComplaint))
        return std::move(*line);
    if (prompt) {
        if (auto typed = Terminal::readHidden(
                Printable::text(QStringLiteral("Password for %1 at %2: ").arg(user, where(addressBook)))))
            return std::move(*typed);
    }
    const QString keyringState = keyringComplaint.isEmpty()
        ? QString()
        : QStringLiteral(" (the keyring could not be asked: %1)").arg(keyringComplaint);
    throw ToolError(QStringLiteral("needs the password of %1 at %2: set QUORVELIN_CARDDAV_PASSWORD, name a command "
                                   "that prints it with --password-command, keep it in the keyring (%3)%4, or run it "
                                   "on a terminal to type it. Nothing was sent.")
                        .arg(user, where(addressBook), keyringHint(user, addressBook), keyringState));
}
