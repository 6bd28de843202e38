#pragma once

#include <QIODevice>
#include <QString>

// What publish and sync say while they run: what they did on standard
// output, warnings and a line of progress on standard error.
class CommandOutput
{
public:
    // `command` names the warnings ("quorvelin-tool sync: ..."). `progress`:
    // show the progress line, which only a terminal wants.
    CommandOutput(QIODevice& out, QIODevice& err, const QString& command, bool progress);

    void print(const QString& text);
    // Rewritten in place, and cleared with an empty text.
    void progress(const QString& text);
    void warn(const QString& message);

private:
    QIODevice& m_out;
    QIODevice& m_err;
    QString m_command;
    bool m_progress;
};
