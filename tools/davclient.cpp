#include "davclient.h"

#include <QAuthenticator>
#include <QEventLoop>
#include <QHostAddress>
#include <QNetworkReply>
#include <QNetworkRequest>

#include <algorithm>

namespace {

// As many as Qt's network module opens connections to one host; more would
// only wait in its queue.
constexpr size_t Parallel = 6;
// Without a byte moving for this long a request has failed. A big address
// book takes a while to list, but keeps sending as it does.
constexpr int TimeoutMs = 120'000;

DavClient::Response responseOf(QNetworkReply* reply)
{
    DavClient::Response response;
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        // The transfer timeout ends a request as if it had been cancelled.
        response.failure = reply->error() == QNetworkReply::OperationCanceledError
                               ? QStringLiteral("no answer for %1 seconds").arg(TimeoutMs / 1000)
                               : reply->errorString();
        return response;
    }
    response.status = status.toInt();
    response.reason = reply->attribute(QNetworkRequest::HttpReasonPhraseAttribute).toString();
    response.body = reply->readAll();
    response.etag = QString::fromLatin1(reply->rawHeader("ETag"));
    response.location = QString::fromUtf8(reply->rawHeader("Location"));
    return response;
}

} // namespace

QString DavClient::Response::statusText() const
{
    return reason.isEmpty() ? QString::number(status) : QStringLiteral("%1 %2").arg(QString::number(status), reason);
}

DavClient::DavClient(const QString& user, const QString& password)
    : m_user(user)
    , m_password(password)
{
    QObject::connect(&m_network, &QNetworkAccessManager::authenticationRequired, &m_network,
                     [this](QNetworkReply* reply, QAuthenticator* authenticator) {
                         // Asked again for the same request: the server refused them.
                         if (m_user.isEmpty() || m_answered.contains(reply))
                             return;
                         m_answered.insert(reply);
                         authenticator->setUser(m_user);
                         authenticator->setPassword(m_password);
                     });
}

QNetworkReply* DavClient::start(const Request& request)
{
    QNetworkRequest http(request.url);
    http.setRawHeader("User-Agent", "quorvelin-tool");
    for (const auto& [name, value] : request.headers)
        http.setRawHeader(name, value);
    http.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    http.setTransferTimeout(TimeoutMs);
    return m_network.sendCustomRequest(http, request.verb, request.body);
}

DavClient::Response DavClient::send(const Request& request)
{
    return send(std::vector<Request>{request}).front();
}

std::vector<DavClient::Response> DavClient::send(const std::vector<Request>& requests,
                                                 const std::function<void(size_t)>& progress)
{
    std::vector<Response> responses(requests.size());
    if (requests.empty())
        return responses;
    QEventLoop loop;
    size_t next = 0;
    size_t finished = 0;
    std::function<void()> startNext = [&] {
        const size_t i = next++;
        QNetworkReply* reply = start(requests[i]);
        QObject::connect(reply, &QNetworkReply::finished, &loop, [&, reply, i] {
            responses[i] = responseOf(reply);
            m_answered.remove(reply);
            reply->deleteLater();
            ++finished;
            if (progress)
                progress(finished);
            if (next < requests.size())
                startNext();
            else if (finished == requests.size())
                loop.quit();
        });
    };
    for (size_t i = 0; i < std::min(Parallel, requests.size()); ++i)
        startNext();
    loop.exec();
    return responses;
}

std::optional<QString> DavClient::refusal(const QUrl& url)
{
    if (!url.isValid() || url.host().isEmpty())
        return QStringLiteral("is not an address such as https://example.com/remote.php/dav/addressbooks/users/ann/contacts/");
    if (!url.password().isEmpty())
        return QStringLiteral("holds a password, which others can read on the command line: leave it out and set "
                              "QUORVELIN_CARDDAV_PASSWORD, or type it when asked");
    const QString scheme = url.scheme().toLower();
    if (scheme == u"https")
        return std::nullopt;
    if (scheme != u"http")
        return QStringLiteral("is not an https:// address");
    const QString host = url.host().toLower();
    if (host == u"localhost" || QHostAddress(host).isLoopback())
        return std::nullopt;
    return QStringLiteral("uses plain http://, which would send the password and the directory unencrypted: use "
                          "https://, or http:// only to this computer (localhost, 127.0.0.1, [::1])");
}
