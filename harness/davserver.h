#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QProcess>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

// A CardDAV server of one's own, Radicale or Xandikos: on 127.0.0.1 and a
// free port, its collections in a temporary folder, stopped and removed with
// the object. Radicale has one user in a plain htpasswd file; Xandikos asks
// for no credentials at all.
class DavServer
{
public:
    enum class Kind { Radicale, Xandikos };

    // `logLevel` as Radicale takes it: "info" logs every request.
    DavServer(const QString& user, const QString& password, const QString& logLevel = QStringLiteral("warning"),
              Kind kind = Kind::Radicale);
    ~DavServer();

    DavServer(const DavServer&) = delete;
    DavServer& operator=(const DavServer&) = delete;

    // Radicale: serve https:// with this certificate and key (PEM files)
    // from start().
    void useTls(const QString& certificate, const QString& key);
    // False, with errorString(), when the server is missing or does not start.
    bool start();
    void stop();
    QString errorString() const { return m_error; }

    // http://127.0.0.1:PORT/USER/NAME/ (Xandikos: /user/contacts/NAME/), or https://
    QUrl addressBook(const QString& name) const;
    // An extended MKCOL, as a client makes a new address book.
    bool makeAddressBook(const QString& name);
    // Radicale: puts cards (file name, text) straight into an address book
    // made before, as a phone would have sent them but without a request
    // for each, which would take Radicale minutes for thousands of cards.
    bool seed(const QString& name, const QList<QPair<QString, QByteArray>>& cards);

    struct Reply
    {
        int status = 0;
        QByteArray body;
        QByteArray etag;
    };
    // A request as the user, credentials sent up front.
    Reply request(const QByteArray& verb, const QUrl& url, const QByteArray& body = {},
                  const QList<QPair<QByteArray, QByteArray>>& headers = {});
    // href -> ETag of every card in the collection, by PROPFIND.
    QList<QPair<QString, QString>> etags(const QUrl& collection);

    // What the server wrote to its log so far.
    QString log() const;

private:
    // The command line; empty, with m_error, when its files cannot be written.
    QStringList arguments();

    Kind m_kind;
    QTemporaryDir m_dir;
    QString m_user;
    QString m_password;
    QString m_logLevel;
    QString m_tls; // the configuration lines for it
    quint16 m_port = 0;
    QProcess m_process;
    QString m_error;
};
