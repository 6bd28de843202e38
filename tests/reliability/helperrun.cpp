#include "helperrun.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>

#include <signal.h>
#include <unistd.h>

namespace {

constexpr unsigned Nobody = 65534;

bool isRoot()
{
    return ::geteuid() == 0;
}

// A copy of the helper that "nobody" can run: the build folder may sit where
// that user cannot reach (root's home in CI). The helper links the project's
// libraries statically, so the one file is enough.
QString unprivilegedHelper()
{
    static std::unique_ptr<QTemporaryDir> dir;
    if (!dir) {
        dir = std::make_unique<QTemporaryDir>();
        const QString copy = dir->filePath(QStringLiteral("relhelper"));
        if (!QFile::copy(QStringLiteral(QUORVELIN_RELHELPER), copy))
            qFatal("cannot copy the helper to %s", qPrintable(copy));
        QFile::setPermissions(dir->path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                               | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
        QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner | QFile::ReadGroup
                                        | QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    }
    return dir->filePath(QStringLiteral("relhelper"));
}

} // namespace

QString HelperRun::unprivilegedUnavailable()
{
    if (!isRoot())
        return QString();
    if (QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty())
        return QStringLiteral("running as root and setpriv (util-linux) is missing, so no user the file "
                              "permissions bind can be had");
    return QString();
}

unsigned HelperRun::unprivilegedId()
{
    return isRoot() ? Nobody : ::geteuid();
}

HelperRun::HelperRun(const QStringList& args, const QString& workDir, As as)
{
    m_process.setWorkingDirectory(workDir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("LC_ALL"), QStringLiteral("C.UTF-8"));
    if (as == As::Unprivileged && isRoot()) {
        // The user has no home of its own; the helper needs none.
        env.insert(QStringLiteral("HOME"), workDir);
        env.remove(QStringLiteral("XDG_RUNTIME_DIR"));
        m_process.setProcessEnvironment(env);
        const QString id = QString::number(Nobody);
        m_process.start(QStringLiteral("setpriv"), QStringList{QStringLiteral("--reuid=") + id,
                                                              QStringLiteral("--regid=") + id,
                                                              QStringLiteral("--clear-groups"), unprivilegedHelper()}
                                                       + args);
    } else {
        m_process.setProcessEnvironment(env);
        m_process.start(QStringLiteral(QUORVELIN_RELHELPER), args);
    }
    if (!m_process.waitForStarted(30000))
        qFatal("the helper did not start: %s", qPrintable(m_process.errorString()));
}

HelperRun::~HelperRun()
{
    if (running())
        kill();
}

void HelperRun::readOutput()
{
    m_pending += m_process.readAllStandardOutput();
    for (qsizetype end = m_pending.indexOf('\n'); end >= 0; end = m_pending.indexOf('\n')) {
        m_lines.append(QString::fromUtf8(m_pending.left(end)));
        m_pending.remove(0, end + 1);
    }
    m_errors += QString::fromUtf8(m_process.readAllStandardError());
}

bool HelperRun::waitForLine(const QString& line, int timeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    for (qsizetype seen = 0;;) {
        readOutput();
        for (; seen < m_lines.size(); ++seen) {
            if (m_lines.at(seen) == line)
                return true;
        }
        const qint64 left = timeoutMs - timer.elapsed();
        if (left <= 0 || m_process.state() == QProcess::NotRunning)
            return false;
        m_process.waitForReadyRead(int(qMin<qint64>(left, 100)));
    }
}

bool HelperRun::finish(int timeoutMs)
{
    const bool ended = m_process.state() == QProcess::NotRunning || m_process.waitForFinished(timeoutMs);
    readOutput();
    return ended;
}

void HelperRun::kill()
{
    if (m_process.state() != QProcess::NotRunning) {
        // setpriv execs the helper, so its process id is the helper's.
        ::kill(pid_t(m_process.processId()), SIGKILL);
        m_process.waitForFinished(30000);
    }
    readOutput();
}

bool HelperRun::running() const
{
    return m_process.state() != QProcess::NotRunning;
}

void HelperRun::send(const QByteArray& line)
{
    m_process.write(line + '\n');
    m_process.waitForBytesWritten(30000);
}

int HelperRun::exitCode() const
{
    return m_process.exitCode();
}

bool HelperRun::exitedNormally() const
{
    return m_process.state() == QProcess::NotRunning && m_process.exitStatus() == QProcess::NormalExit;
}

QStringList HelperRun::lines()
{
    readOutput();
    return m_lines;
}

QString HelperRun::errors()
{
    readOutput();
    return m_errors;
}

QString HelperRun::report()
{
    readOutput();
    QStringList tail = m_lines.mid(qMax<qsizetype>(0, m_lines.size() - 10));
    return QStringLiteral("exit %1 (%2); output ...%3; errors: %4")
        .arg(m_process.exitCode())
        .arg(m_process.exitStatus() == QProcess::NormalExit ? QStringLiteral("normal") : QStringLiteral("crashed"))
        .arg(tail.join(QStringLiteral(" | ")), m_errors.trimmed());
}
