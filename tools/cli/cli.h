#pragma once

#include "tools/cli/command.h"

#include <QIODevice>
#include <QStringList>

#include <memory>
#include <vector>

// quorvelin-tool's command line: the options before the command, the
// overall help, and the command that runs.
class Cli
{
public:
    // `in` is read for an import from "-".
    Cli(QIODevice& out, QIODevice& err, QIODevice* in = nullptr);
    ~Cli();

    // Lets long commands rewrite a progress line on `err`, which must then
    // be a terminal.
    void setProgressShown(bool shown) { m_context.progress = shown; }

    // `arguments` as main() gets them, the program's name first.
    int run(const QStringList& arguments);
    // Whether the command `arguments` name lays out text, which needs the
    // fonts of a QGuiApplication: print does, the others start without.
    static bool laysOutText(const QStringList& arguments);

private:
    // The options before the command; false on a usage error.
    static bool parseGeneral(QCommandLineParser& parser, const QStringList& arguments);
    Command* command(const QString& name) const;
    void print(const QString& text);
    // A line on standard error, naming the command when one was chosen.
    int fail(const QString& message, const QString& command = QString());

    Command::Context m_context;
    std::vector<std::unique_ptr<Command>> m_commands;
};
