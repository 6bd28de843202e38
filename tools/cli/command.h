#pragma once

#include <QCommandLineOption>
#include <QElapsedTimer>
#include <QIODevice>
#include <QString>
#include <QStringList>

#include <optional>

class QCommandLineParser;

// One command of quorvelin-tool: its options, its help, and the work. A
// command reports on the devices it is given, so tests run it as a user
// would without starting a process.
class Command
{
public:
    // Exit statuses, as grep has them: 1 answers the question with "no".
    enum Status { Ok = 0, NotFound = 1, Damaged = 1, Failed = 2 };

    // What every command works with: where it writes and reads, and the
    // directory file, which --file may change before or after the command.
    struct Context
    {
        QIODevice& out;
        QIODevice& err;
        QIODevice* in; // read for an import from "-"
        QString file = QStringLiteral("quorvelin.mdb");
        bool progress = false; // `err` is a terminal, where a progress line may be rewritten
    };

    Command(Context& context, const QString& name);
    virtual ~Command() = default;
    Command(const Command&) = delete;
    Command& operator=(const Command&) = delete;

    QString name() const { return m_name; }
    virtual QString help() const = 0;
    // Runs with the command's own arguments. Throws ToolError or
    // store::StoreError, which the caller reports.
    virtual int run(const QStringList& arguments) = 0;

    static QCommandLineOption fileOption();
    static QCommandLineOption helpOption();

protected:
    enum class Format { Csv, VCard };
    static std::optional<Format> formatNamed(const QString& name);
    static QCommandLineOption formatOption();
    static QString counted(qsizetype n, const QString& one, const QString& many);
    // Names and values shown one per line: a line break or a tab in a name
    // is shown as an escape, so that it can neither split the line nor pass
    // for the layout's own.
    static QString oneLine(QStringView text);

    // Parses the command's own arguments with --file and --help added; false
    // when the command is done already (help shown, or a usage error
    // reported), with its status.
    bool parse(const QStringList& arguments, QCommandLineParser& parser, int& status);
    // As parse(), for a command that takes options alone: any other
    // argument is a usage error.
    bool parseOptions(const QStringList& arguments, QCommandLineParser& parser, int& status);
    // The file, which must exist: no command but init makes one.
    QString requireFile() const;
    // The region numbers are read for: --region's as `option` gives it,
    // else `otherwise`, else the locale's, as import, check and sync all
    // take it. Throws ToolError for a region libphonenumber does not know.
    static QString region(const QCommandLineParser& parser, const QCommandLineOption& option,
                          const QString& otherwise = QString());

    // What the tool says goes out through these three, made printable
    // (tools/formats/printable.h) whatever names or servers' words it holds:
    // a terminal obeys no control a file or a server put in it. Data written
    // on purpose, as export writes, go to m_context.out directly.
    void print(const QString& text); // its line feeds and tabs are its layout
    // A line on standard error, starting with the program and the command.
    void warn(const QString& message);
    // A line of progress on a terminal, rewritten in place no more often
    // than the eye follows; an empty text clears it.
    void progress(const QString& text);
    int fail(const QString& message); // warns, then returns Failed

    Context& m_context;

private:
    QString m_name;
    QElapsedTimer m_progressShown;
};
