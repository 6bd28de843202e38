#pragma once

#include <QString>
#include <QUrl>

// Where publish and sync find the password of the address book, in this
// order: the environment variable QUORVELIN_CARDDAV_PASSWORD; a command the
// user names (--password-command), whose first line of output it is; the
// desktop keyring, through libsecret's secret-tool, under the attributes
// "service quorvelin url URL user NAME"; and, on a terminal, a prompt. Never
// the command line, where others could read it, nor a file of the tool's.
class PasswordSource
{
public:
    // `command` empty: none named. `prompt` false: nobody is there to type
    // it (the launcher, the timer). Throws ToolError when none of them has
    // it, saying what to do. From the first call the process makes no core
    // dump. The text comes back held alone: moved into DavClient, it is
    // overwritten there once taken.
    static QString password(const QString& user, const QUrl& addressBook, const QString& command, bool prompt);

    // The secret-tool line that keeps the password in the keyring.
    static QString keyringHint(const QString& user, const QUrl& addressBook);
};
