#include "tools/cli/passwordsource.h"

#include "tools/carddav/collectionscope.h"
#include "tools/cli/terminal.h"
#include "tools/formats/toolerror.h"

#include <QProcess>
#include <QStandardPaths>

#include <optional>

namespace {

// Longer than a password manager asking its own question takes, short
// enough that an unattended run that can never have an answer ends.
constexpr int CommandMs = 120'000;
// A keyring that is locked asks to be unlocked; nobody may be there.
constexpr int KeyringMs = 15'000;

// The first line a program writes, when it ends well.
std::optional<QString> firstLine(const QString& program, const QStringList& arguments, int timeoutMs)
{
    QProcess process;
    process.setStandardInputFile(QProcess::nullDevice());
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, arguments);
    if (!process.waitForFinished(timeoutMs)) {
        process.kill();
        process.waitForFinished();
        return std::nullopt;
    }
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return std::nullopt;
    const QString output = QString::fromUtf8(process.readAllStandardOutput());
    const QString line = output.section(u'\n', 0, 0);
    if (line.isEmpty())
        return std::nullopt;
    return line;
}

QString where(const QUrl& addressBook)
{
    return CollectionScope(addressBook).url().toDisplayString();
}

} // namespace

QString PasswordSource::keyringHint(const QString& user, const QUrl& addressBook)
{
    return QStringLiteral("secret-tool store --label=Quorvelin service quorvelin url %1 user %2")
        .arg(where(addressBook), user);
}

QString PasswordSource::password(const QString& user, const QUrl& addressBook, const QString& command, bool prompt)
{
    if (qEnvironmentVariableIsSet("QUORVELIN_CARDDAV_PASSWORD"))
        return qEnvironmentVariable("QUORVELIN_CARDDAV_PASSWORD");
    if (!command.isEmpty()) {
        // The user's own command line, run as the user's shell would.
        if (const auto line = firstLine(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}, CommandMs))
            return *line;
        throw ToolError(QStringLiteral("the password command \"%1\" gave no password. Nothing was sent.").arg(command));
    }
    const QString secretTool = QStandardPaths::findExecutable(QStringLiteral("secret-tool"));
    if (!secretTool.isEmpty()) {
        if (const auto line = firstLine(secretTool,
                                        {QStringLiteral("lookup"), QStringLiteral("service"), QStringLiteral("quorvelin"),
                                         QStringLiteral("url"), where(addressBook), QStringLiteral("user"), user},
                                        KeyringMs))
            return *line;
    }
    if (prompt) {
        if (const auto typed = Terminal::readHidden(QStringLiteral("Password for %1 at %2: ").arg(user, where(addressBook))))
            return *typed;
    }
    throw ToolError(QStringLiteral("needs the password of %1 at %2: set QUORVELIN_CARDDAV_PASSWORD, name a command "
                                   "that prints it with --password-command, keep it in the keyring (%3), or run it "
                                   "on a terminal to type it. Nothing was sent.")
                        .arg(user, where(addressBook), keyringHint(user, addressBook)));
}
