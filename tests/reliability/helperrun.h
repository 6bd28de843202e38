#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

#include <memory>

class QTemporaryDir;

// The reliability helper (relhelper.cpp) running as a process of its own on
// the directory file in `workDir`, headless.
class HelperRun
{
public:
    // Unprivileged: as a user the file's permissions bind. Root is bound by
    // none, so as root the helper runs as "nobody" (uid and gid 65534) through
    // setpriv, from a copy that user can reach; anyone else runs it as
    // themselves.
    enum class As { CurrentUser, Unprivileged };

    HelperRun(const QStringList& args, const QString& workDir, As as = As::CurrentUser);
    ~HelperRun(); // a helper still running is killed

    HelperRun(const HelperRun&) = delete;
    HelperRun& operator=(const HelperRun&) = delete;

    // Waits until the helper prints `line` (a whole line); false when it ends
    // or `timeoutMs` passes first.
    bool waitForLine(const QString& line, int timeoutMs = 30000);
    // Waits for the helper to end by itself; false when it does not in time.
    bool finish(int timeoutMs = 30000);
    // SIGKILL, as a crash or a power switch would end it, then reaps it.
    void kill();
    bool running() const;
    void send(const QByteArray& line);

    int exitCode() const;
    bool exitedNormally() const;
    QStringList lines(); // standard output so far, line by line
    QString errors();    // standard error so far
    // Exit status, output and errors, for failure messages.
    QString report();

    // Why the helper cannot run unprivileged here, or an empty text.
    static QString unprivilegedUnavailable();
    // The uid and gid an unprivileged helper runs as.
    static unsigned unprivilegedId();

private:
    void readOutput();

    QProcess m_process;
    QByteArray m_pending;
    QStringList m_lines;
    QString m_errors;
};
