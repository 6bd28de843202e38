#pragma once

#include "tools/http/davtransport.h"
#include "tools/http/httpauthorization.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <functional>
#include <memory>
#include <optional>
#include <vector>

// HTTP as publish needs it, through libcurl, with a server that may lie in
// mind: several requests at a time, the system's certificates checked (a
// certificate error is a failure like a refused connection), no proxy and
// no redirection followed, every answer read as it arrives and bounded in
// size, every request in time, no header value that could end its line, and
// a request that changes something never sent a second time behind the
// caller's back.
class DavClient : public DavTransport
{
public:
    // Generous for any real address book; a listing is read as it arrives,
    // so memory does not grow with it.
    static constexpr qint64 MaxAnswerBytes = 64 * 1024 * 1024;
    // An answer's status line and headers, far more than any server sends;
    // libcurl holds a header line at most MaxHeaderLineBytes long (its
    // CURL_MAX_HTTP_HEADER).
    static constexpr qint64 MaxHeadBytes = 256 * 1024;
    static constexpr qint64 MaxHeaderLineBytes = 100 * 1024;

    // The credentials answer a server that asks for them (Basic or Digest),
    // once for each request, so that a server refusing them answers 401
    // rather than being asked again and again. No user, no credentials.
    // `password` as HttpAuthorization takes it: overwritten when handed over
    // alone. Each request must be answered whole within `timeoutSeconds`,
    // counted from its first try, the one after a challenge included.
    DavClient(const QString& user, QString password, int timeoutSeconds);
    ~DavClient();
    DavClient(const DavClient&) = delete;
    DavClient& operator=(const DavClient&) = delete;

    using DavTransport::send;
    // Once one request has run out of time (Response::timedOut), the server
    // is taken to be stuck: no request is sent to it again, in this batch or
    // any later one, each answered as not sent.
    std::vector<Response> send(const std::vector<Request>& requests,
                               const std::function<void(size_t finished)>& progress = {}) override;

    // Why nothing may be sent to `url`: plain http:// carries the password
    // and the directory as they are, so it is for this computer only.
    static std::optional<QString> refusal(const QUrl& url);
    // An entity tag as RFC 9110 has it: W/ or not, then a quoted string of
    // visible characters. Nothing else from a server goes into If-Match.
    static bool isEntityTag(QByteArrayView value);

private:
    struct Exchange;
    // False when the request is not sent; its response then says why.
    bool start(Exchange& exchange);
    // False when the request was started again for credentials.
    bool finish(Exchange& exchange, int result);
    QString outOfTime() const;

    struct Multi;
    std::unique_ptr<Multi> m_multi;
    HttpAuthorization m_authorization;
    int m_timeoutSeconds;
    bool m_stuck = false;
};
