#include "tools/carddav/commandoutput.h"

CommandOutput::CommandOutput(QIODevice& out, QIODevice& err, const QString& command, bool progress)
    : m_out(out)
    , m_err(err)
    , m_command(command)
    , m_progress(progress)
{
}

void CommandOutput::print(const QString& text)
{
    m_out.write(text.toUtf8());
}

void CommandOutput::progress(const QString& text)
{
    if (m_progress)
        m_err.write((QStringLiteral("\r\033[K") + text).toUtf8());
}

void CommandOutput::warn(const QString& message)
{
    m_err.write(QStringLiteral("quorvelin-tool %1: %2\n").arg(m_command, message).toUtf8());
}
