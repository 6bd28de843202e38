#include "tools/cli/carddavcommand.h"

#include "tools/http/davclient.h"
#include "tools/cli/passwordsource.h"
#include "tools/formats/toolerror.h"

#include <QCommandLineParser>

namespace {

// A card of any real address book is sent well within a day.
constexpr int LongestTimeout = 86'400;
// Cards that could not be read or were not taken, named one by one up to
// this many.
constexpr size_t CardsNamed = 10;

} // namespace

CardDavCommand::CardDavCommand(Context& context, const QString& name)
    : Command(context, name)
    , m_user(QStringLiteral("user"), QString(), QStringLiteral("NAME"))
    , m_folder(QStringLiteral("folder"), QString(), QStringLiteral("PATH"))
    , m_dryRun(QStringLiteral("dry-run"))
    , m_timeout(QStringLiteral("timeout"), QString(), QStringLiteral("SECONDS"), QStringLiteral("60"))
    , m_passwordCommand(QStringLiteral("password-command"), QString(), QStringLiteral("CMD"))
{
}

CardDavCommand::~CardDavCommand() = default;

void CardDavCommand::addOptions(QCommandLineParser& parser) const
{
    parser.addOptions({m_user, m_folder, m_dryRun, m_timeout, m_passwordCommand});
}

int CardDavCommand::seconds(const QCommandLineParser& parser) const
{
    bool number = false;
    const int seconds = parser.value(m_timeout).toInt(&number);
    if (!number || seconds < 1 || seconds > LongestTimeout)
        throw ToolError(QStringLiteral("--timeout takes a number of seconds from 1 to %1, not \"%2\".")
                            .arg(QString::number(LongestTimeout), parser.value(m_timeout)));
    return seconds;
}

std::unique_ptr<DavClient> CardDavCommand::client(const QUrl& url, const QString& user, const QString& passwordCommand,
                                                  bool prompt, int seconds) const
{
    const QString name = user.isEmpty() ? url.userName() : user;
    return std::make_unique<DavClient>(
        name, name.isEmpty() ? QString() : PasswordSource::password(name, url, passwordCommand, prompt), seconds);
}

SyncEngine::Listener CardDavCommand::listener()
{
    return {[this](const QString& message) { warn(message); }, [this](const QString& text) { progress(text); }};
}

bool CardDavCommand::reportFailures(const SyncEngine::Result& result, const QString& again)
{
    if (result.damaged)
        warn(QStringLiteral("warning: %1; see quorvelin-tool check.")
                 .arg(counted(qsizetype(result.damaged), QStringLiteral("damaged record was left out"),
                              QStringLiteral("damaged records were left out"))));
    // Named up to a point: a server may hold thousands of such cards.
    const auto name = [this](const std::map<QString, QString>& cards, const QString& line, const QString& more) {
        size_t named = 0;
        for (const auto& [path, why] : cards) {
            if (++named > CardsNamed)
                break;
            warn(line.arg(path, why));
        }
        if (cards.size() > CardsNamed)
            warn(more.arg(cards.size() - CardsNamed));
    };
    name(result.unreadable, QStringLiteral("%1: could not be read (%2); it is left as it was and asked for again next time."),
         QStringLiteral("%1 more cards could not be read."));
    name(result.unfit, QStringLiteral("warning: %1: not taken (%2); it is left as it is on both sides until it changes."),
         QStringLiteral("warning: %1 more cards were not taken."));
    for (const SyncEngine::Failure& f : result.failures)
        warn(f.retry ? QStringLiteral("%1; %2 again to finish.").arg(f.message, again) : f.message);
    return result.complete();
}
