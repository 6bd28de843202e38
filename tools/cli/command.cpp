#include "tools/cli/command.h"

#include "tools/formats/numberreader.h"
#include "tools/formats/printable.h"
#include "tools/formats/toolerror.h"

#include <QCommandLineParser>
#include <QFileInfo>

Command::Command(Context& context, const QString& name)
    : m_context(context)
    , m_name(name)
{
}

QCommandLineOption Command::fileOption()
{
    return QCommandLineOption({QStringLiteral("f"), QStringLiteral("file")}, QString(), QStringLiteral("PATH"));
}

QCommandLineOption Command::helpOption()
{
    return QCommandLineOption(QStringList{QStringLiteral("h"), QStringLiteral("help")});
}

QCommandLineOption Command::formatOption()
{
    return QCommandLineOption(QStringLiteral("format"), QString(), QStringLiteral("csv|vcard"));
}

std::optional<Command::Format> Command::formatNamed(const QString& name)
{
    const QString lower = name.toLower();
    if (lower == u"csv")
        return Format::Csv;
    if (lower == u"vcard" || lower == u"vcf")
        return Format::VCard;
    return std::nullopt;
}

QString Command::counted(qsizetype n, const QString& one, const QString& many)
{
    return QStringLiteral("%1 %2").arg(n).arg(n == 1 ? one : many);
}

QString Command::oneLine(QStringView text)
{
    return Printable::text(text);
}

bool Command::parse(const QStringList& arguments, QCommandLineParser& parser, int& status)
{
    const QCommandLineOption file = fileOption();
    const QCommandLineOption helpWanted = helpOption();
    parser.addOption(file);
    parser.addOption(helpWanted);
    if (!parser.parse(QStringList{QStringLiteral("quorvelin-tool ") + m_name} + arguments)) {
        status = fail(parser.errorText() + QStringLiteral(" See quorvelin-tool %1 --help.").arg(m_name));
        return false;
    }
    if (parser.isSet(helpWanted)) {
        print(help());
        status = Ok;
        return false;
    }
    if (parser.isSet(file))
        m_context.file = parser.value(file);
    return true;
}

bool Command::parseOptions(const QStringList& arguments, QCommandLineParser& parser, int& status)
{
    if (!parse(arguments, parser, status))
        return false;
    if (parser.positionalArguments().isEmpty())
        return true;
    status = fail(QStringLiteral("unexpected argument \"%1\". See quorvelin-tool %2 --help.")
                      .arg(parser.positionalArguments().first(), m_name));
    return false;
}

QString Command::requireFile() const
{
    const QFileInfo info(m_context.file);
    if (!info.exists())
        throw ToolError(QStringLiteral("%1 does not exist. Make one with \"quorvelin-tool init\", or name "
                                       "another with --file PATH.")
                            .arg(m_context.file));
    if (!info.isFile())
        throw ToolError(QStringLiteral("%1 is not a file.").arg(m_context.file));
    return m_context.file;
}

QString Command::region(const QCommandLineParser& parser, const QCommandLineOption& option, const QString& otherwise)
{
    if (!parser.isSet(option))
        return otherwise.isEmpty() ? NumberReader::regionFromEnvironment() : otherwise;
    const QString region = parser.value(option).toUpper();
    if (!NumberReader::isRegion(region))
        throw ToolError(QStringLiteral("unknown region \"%1\": give a country's two letters, such as DE or US.")
                            .arg(parser.value(option)));
    return region;
}

void Command::print(const QString& text)
{
    m_context.out.write(Printable::text(text, Printable::Layout::Lines).toUtf8());
}

void Command::warn(const QString& message)
{
    m_context.err.write(QStringLiteral("quorvelin-tool %1: %2\n").arg(m_name, Printable::text(message)).toUtf8());
}

void Command::progress(const QString& text)
{
    if (!m_context.progress || (!text.isEmpty() && m_progressShown.isValid() && m_progressShown.elapsed() < 100))
        return;
    m_progressShown.start();
    m_context.err.write(
        (QStringLiteral("\r\033[K") + (text.isEmpty() ? text : m_name + QStringLiteral(": ") + Printable::text(text)))
            .toUtf8());
}

int Command::fail(const QString& message)
{
    warn(message);
    return Failed;
}
