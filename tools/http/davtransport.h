#pragma once

#include <QByteArray>
#include <QList>
#include <QPair>
#include <QString>
#include <QUrl>

#include <functional>
#include <vector>

// The requests publish and sync make of a server and the answers they get,
// whatever carries them: the network (DavClient), or an address book held
// in memory where a test wants every answer, fault and cut-off under its
// own control.
class DavTransport
{
public:
    struct Request
    {
        QByteArray verb;
        QUrl url;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
        // Where the body of a successful (2xx) answer goes as it arrives;
        // returning false stops the request. Without it the body is dropped.
        std::function<bool(QByteArrayView)> read = {};
    };

    struct Response
    {
        int status = 0; // 0: no answer came, and `failure` says why
        QString reason; // printable
        QString location; // where a redirection points, as the server wrote it
        QString failure;  // why the request failed or was stopped
        bool sent = true; // false when it was never sent
        QByteArray etag;  // of what a PUT stored, when the server says and it is a valid one
        // Not answered whole in time, whatever the status says: the server
        // is taken to be stuck, and nothing more is sent to it, so a caller
        // must not take this for an answer to act on (a fallback included).
        bool timedOut = false;
        // Stopped for its size, more than the client takes: a request that
        // asks for less may be answered whole.
        bool tooLarge = false;

        QString statusText() const; // "404 Not Found"
        // Answered 2xx, and whole.
        bool succeeded() const { return status >= 200 && status <= 299 && failure.isEmpty(); }
    };

    // `user`: the one the credentials are for, named in messages.
    explicit DavTransport(const QString& user);
    virtual ~DavTransport();
    DavTransport(const DavTransport&) = delete;
    DavTransport& operator=(const DavTransport&) = delete;

    // The responses in the order of `requests`; `progress` hears how many
    // have finished after each one.
    virtual std::vector<Response> send(const std::vector<Request>& requests,
                                       const std::function<void(size_t finished)>& progress = {}) = 0;
    Response send(const Request& request);

    // A character no address may hold: a C0 or C1 control, or DEL.
    static bool isControl(QChar c)
    {
        return c.unicode() < 0x20 || c.unicode() == 0x7F || (c.unicode() >= 0x80 && c.unicode() < 0xA0);
    }

    // What went wrong with a request, for a message: "VERB URL: status:
    // why", the server's words made printable.
    QString failure(const QByteArray& verb, const QUrl& url, const Response& response) const;

protected:
    const QString& user() const { return m_user; }

private:
    QString m_user;
};
