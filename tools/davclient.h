#pragma once

#include <QByteArray>
#include <QList>
#include <QNetworkAccessManager>
#include <QPair>
#include <QSet>
#include <QString>
#include <QUrl>

#include <functional>
#include <optional>
#include <vector>

class QNetworkReply;

// HTTP as publish needs it: any method with a body and headers, several
// requests at a time, the system's certificates checked (a certificate error
// is a failure like a refused connection), and no redirection followed, so
// nothing is ever sent to an address that was not checked.
class DavClient
{
public:
    struct Request
    {
        QByteArray verb;
        QUrl url;
        QByteArray body;
        QList<QPair<QByteArray, QByteArray>> headers;
    };

    struct Response
    {
        int status = 0; // 0: no answer came, and `failure` says why
        QString reason;
        QByteArray body;
        QString etag;
        QString location; // where a redirection points
        QString failure;

        QString statusText() const; // "404 Not Found"
    };

    // The credentials go to a server that asks for them (Basic or Digest),
    // once for each request, so that a server refusing them answers 401
    // rather than being asked again and again. No user, no credentials.
    DavClient(const QString& user, const QString& password);

    Response send(const Request& request);
    // The responses in the order of `requests`; `progress` hears how many
    // have finished after each one.
    std::vector<Response> send(const std::vector<Request>& requests,
                               const std::function<void(size_t finished)>& progress = {});

    // Why nothing may be sent to `url`: plain http:// carries the password
    // and the directory as they are, so it is for this computer only.
    static std::optional<QString> refusal(const QUrl& url);

private:
    QNetworkReply* start(const Request& request);

    QNetworkAccessManager m_network;
    QString m_user;
    QString m_password;
    QSet<QNetworkReply*> m_answered;
};
