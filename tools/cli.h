#pragma once

#include <QIODevice>
#include <QString>
#include <QStringList>

class QCommandLineParser;

// quorvelin-tool's commands: parses the command line, runs one command on the
// directory file and reports on the given devices, so tests can run it as a
// user would without starting a process.
class Cli
{
public:
    // Exit statuses, as grep has them: 1 answers the question with "no".
    enum Status { Ok = 0, NotFound = 1, Damaged = 1, Failed = 2 };

    // `in` is read for an import from "-".
    Cli(QIODevice& out, QIODevice& err, QIODevice* in = nullptr);

    // Lets long commands rewrite a progress line on `err`, which must then
    // be a terminal.
    void setProgressShown(bool shown) { m_progress = shown; }

    // `arguments` as main() gets them, the program's name first.
    int run(const QStringList& arguments);

    // Makes a new directory file at `path` and says so; the init command and
    // quorvelin-init share it. `who` starts each error message.
    static int init(const QString& path, bool sample, QIODevice& out, QIODevice& err, const QString& who);

private:
    int find(const QStringList& arguments);
    int exportBook(const QStringList& arguments);
    int importBook(const QStringList& arguments);
    int check(const QStringList& arguments);
    int backup(const QStringList& arguments);
    int initCommand(const QStringList& arguments);
    int publish(const QStringList& arguments);

    // Parses a command's own arguments; false when the command is done
    // already (help shown, or a usage error reported), with its status.
    bool parse(const QString& command, const QStringList& arguments, QCommandLineParser& parser,
               int& status);
    // The file, which must exist: no command but init makes one.
    QString requireFile() const;

    void print(const QString& text);
    // A line on standard error, starting with the program and the command.
    void warn(const QString& command, const QString& message);
    int fail(const QString& command, const QString& message); // warns, then returns Failed

    QIODevice& m_out;
    QIODevice& m_err;
    QIODevice* m_in;
    QString m_file = QStringLiteral("quorvelin.mdb");
    bool m_progress = false;
};
