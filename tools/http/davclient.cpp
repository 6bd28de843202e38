#include "tools/http/davclient.h"

#include "tools/http/secretmemory.h"

#include "tools/formats/printable.h"

#include <curl/curl.h>

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstring>

static_assert(DavClient::MaxHeaderLineBytes == CURL_MAX_HTTP_HEADER);

namespace {

using Clock = std::chrono::steady_clock;

// As many as a server is commonly asked to serve one client at once.
constexpr size_t Parallel = 6;

bool succeeded(int status)
{
    return status >= 200 && status <= 299;
}

bool changesSomething(const QByteArray& verb)
{
    return verb != "GET" && verb != "HEAD" && verb != "OPTIONS" && verb != "PROPFIND" && verb != "REPORT";
}

bool isLoopback(const QString& host)
{
    const QByteArray address = host.toLatin1();
    in_addr v4{};
    in6_addr v6{};
    if (inet_pton(AF_INET, address.constData(), &v4) == 1)
        return (ntohl(v4.s_addr) >> 24) == 127;
    return inet_pton(AF_INET6, address.constData(), &v6) == 1 && IN6_IS_ADDR_LOOPBACK(&v6);
}

// A header value that cannot end its line or start another.
bool fitsInHeader(const QByteArray& value)
{
    return std::none_of(value.begin(), value.end(), [](char c) { return (quint8(c) < 0x20 && c != '\t') || c == 0x7F; });
}

} // namespace

struct DavClient::Multi
{
    Multi()
    {
        static const CURLcode global = curl_global_init(CURL_GLOBAL_DEFAULT);
        Q_UNUSED(global);
        handle = curl_multi_init();
    }
    ~Multi() { curl_multi_cleanup(handle); }

    CURLM* handle;
};

// One request of a batch, through its attempts: a second one only when the
// server asked for credentials, and so did nothing with the first.
struct DavClient::Exchange
{
    const Request* request = nullptr;
    Response* response = nullptr;
    int attempt = 0;
    Clock::time_point deadline; // of every attempt

    // Of the attempt running now.
    CURL* easy = nullptr;
    curl_slist* headers = nullptr;
    bool authorised = false;
    qint64 uploaded = 0;
    qint64 received = 0;
    qint64 headBytes = 0;
    int status = 0;
    bool headDone = false; // the final answer's headers all came
    QByteArray reason;
    QByteArray wwwAuthenticate;
    QByteArray location;
    QByteArray etag;
    enum class Stop { None, TooLarge, HeadTooLarge, Unreadable } stop = Stop::None;
    char error[CURL_ERROR_SIZE] = {};

    Exchange() = default;
    Exchange(const Exchange&) = delete;
    Exchange& operator=(const Exchange&) = delete;
    ~Exchange() { release(); }

    void release()
    {
        curl_easy_cleanup(easy);
        // One of them may carry the password.
        for (curl_slist* header = headers; header; header = header->next)
            SecretMemory::wipe(header->data, std::strlen(header->data));
        curl_slist_free_all(headers);
        easy = nullptr;
        headers = nullptr;
    }

    static size_t onHead(char* data, size_t, size_t size, void* self)
    {
        auto& e = *static_cast<Exchange*>(self);
        e.headBytes += qint64(size);
        if (e.headBytes > MaxHeadBytes) {
            e.stop = Stop::HeadTooLarge;
            return 0;
        }
        const QByteArray line = QByteArray(data, qsizetype(size)).trimmed();
        if (line.isEmpty()) {
            e.headDone = e.status >= 200;
        } else if (line.startsWith("HTTP/")) {
            // A new answer: an interim 100 Continue, or the one that counts.
            const QList<QByteArray> parts = line.split(' ');
            e.status = parts.value(1).toInt();
            e.reason = parts.size() > 2 ? line.sliced(parts[0].size() + parts[1].size() + 2) : QByteArray();
            e.wwwAuthenticate.clear();
            e.location.clear();
            e.etag.clear();
        } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
            const QByteArray name = line.first(colon).trimmed().toLower();
            const QByteArray value = line.sliced(colon + 1).trimmed();
            if (name == "www-authenticate")
                e.wwwAuthenticate += (e.wwwAuthenticate.isEmpty() ? "" : ", ") + value;
            else if (name == "location")
                e.location = value;
            else if (name == "etag")
                e.etag = value;
        }
        return size;
    }

    static size_t onBody(char* data, size_t, size_t size, void* self)
    {
        auto& e = *static_cast<Exchange*>(self);
        e.received += qint64(size);
        if (e.received > MaxAnswerBytes) {
            e.stop = Stop::TooLarge;
            return 0;
        }
        if (e.request->read && succeeded(e.status) && !e.request->read(QByteArrayView(data, qsizetype(size)))) {
            e.stop = Stop::Unreadable;
            return 0;
        }
        return size;
    }

    static size_t onUpload(char* buffer, size_t, size_t size, void* self)
    {
        auto& e = *static_cast<Exchange*>(self);
        const qint64 n = std::min(qint64(size), e.request->body.size() - e.uploaded);
        std::memcpy(buffer, e.request->body.constData() + e.uploaded, size_t(n));
        e.uploaded += n;
        return size_t(n);
    }

    // libcurl sends a request again on a fresh connection when the one it
    // reused turns out closed before any answer. Whether the server did what
    // the first one asked is then unknown, so a body that has gone out is
    // never sent a second time.
    static int onRewind(void*, curl_off_t, int)
    {
        return CURL_SEEKFUNC_CANTSEEK;
    }
};

DavClient::DavClient(const QString& user, QString password, int timeoutSeconds)
    : DavTransport(user)
    , m_multi(std::make_unique<Multi>())
    , m_authorization(user, std::move(password))
    , m_timeoutSeconds(timeoutSeconds)
{
    curl_multi_setopt(m_multi->handle, CURLMOPT_MAX_HOST_CONNECTIONS, long(Parallel));
}

DavClient::~DavClient() = default;

bool DavClient::start(Exchange& e)
{
    const Request& request = *e.request;
    e.release();
    e.authorised = false;
    e.uploaded = e.received = e.headBytes = 0;
    e.status = 0;
    e.headDone = false;
    e.reason.clear();
    e.wwwAuthenticate.clear();
    e.location.clear();
    e.etag.clear();
    e.stop = Exchange::Stop::None;
    e.error[0] = 0;

    // The retry after a challenge has what is left of the first try's time.
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(e.deadline - Clock::now());
    if (left.count() <= 0) {
        *e.response = {0, {}, {}, outOfTime(), true, {}, true};
        return false;
    }

    const auto refuse = [&](const QByteArray& name) {
        *e.response = {0, {}, {}, QStringLiteral("not sent: its %1 header would hold a line break or another "
                                                 "control character").arg(QString::fromLatin1(name)), false, {}};
        return false;
    };
    QList<QPair<QByteArray, QByteArray>> headers = request.headers;
    // No "Expect: 100-continue": a body is sent at once, and only once.
    headers.append(qMakePair(QByteArray("Expect"), QByteArray()));
    for (const auto& [name, value] : headers) {
        if (!fitsInHeader(value))
            return refuse(name);
        e.headers = curl_slist_append(e.headers, (name + ':' + (value.isEmpty() ? "" : " " + value)).constData());
    }
    if (!user().isEmpty()) {
        if (std::optional<QByteArray> authorization = m_authorization.header(request.verb, request.url)) {
            // The list's copy is the only one left, wiped on release().
            const bool fits = fitsInHeader(*authorization);
            if (fits) {
                QByteArray line = SecretMemory::joined({"Authorization: ", *authorization});
                e.headers = curl_slist_append(e.headers, line.constData());
                SecretMemory::wipe(line);
            }
            SecretMemory::wipe(*authorization);
            if (!fits)
                return refuse("Authorization");
            e.authorised = true;
        }
    }

    CURL* easy = e.easy = curl_easy_init();
    curl_easy_setopt(easy, CURLOPT_PRIVATE, &e);
    curl_easy_setopt(easy, CURLOPT_ERRORBUFFER, e.error);
    curl_easy_setopt(easy, CURLOPT_URL, request.url.toEncoded(QUrl::RemoveUserInfo | QUrl::RemoveFragment).constData());
    curl_easy_setopt(easy, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(easy, CURLOPT_PROXY, "");
    curl_easy_setopt(easy, CURLOPT_HTTP_VERSION, long(CURL_HTTP_VERSION_1_1));
    curl_easy_setopt(easy, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(easy, CURLOPT_TIMEOUT_MS, long(left.count()));
    curl_easy_setopt(easy, CURLOPT_USERAGENT, "quorvelin-tool");
    curl_easy_setopt(easy, CURLOPT_CUSTOMREQUEST, request.verb.constData());
    curl_easy_setopt(easy, CURLOPT_HTTPHEADER, e.headers);
    curl_easy_setopt(easy, CURLOPT_HEADERFUNCTION, &Exchange::onHead);
    curl_easy_setopt(easy, CURLOPT_HEADERDATA, &e);
    curl_easy_setopt(easy, CURLOPT_WRITEFUNCTION, &Exchange::onBody);
    curl_easy_setopt(easy, CURLOPT_WRITEDATA, &e);
    if (!changesSomething(request.verb)) {
        // Asking again changes nothing, so libcurl may.
        if (!request.body.isEmpty()) {
            curl_easy_setopt(easy, CURLOPT_POSTFIELDSIZE_LARGE, curl_off_t(request.body.size()));
            curl_easy_setopt(easy, CURLOPT_POSTFIELDS, request.body.constData());
        }
    } else if (!request.body.isEmpty()) {
        curl_easy_setopt(easy, CURLOPT_UPLOAD, 1L);
        curl_easy_setopt(easy, CURLOPT_INFILESIZE_LARGE, curl_off_t(request.body.size()));
        curl_easy_setopt(easy, CURLOPT_READFUNCTION, &Exchange::onUpload);
        curl_easy_setopt(easy, CURLOPT_READDATA, &e);
        curl_easy_setopt(easy, CURLOPT_SEEKFUNCTION, &Exchange::onRewind);
    } else {
        // Without a body there is nothing to fail to rewind: only a new
        // connection keeps it from being sent twice.
        curl_easy_setopt(easy, CURLOPT_FRESH_CONNECT, 1L);
    }
    curl_multi_add_handle(m_multi->handle, easy);
    return true;
}

bool DavClient::finish(Exchange& e, int result)
{
    curl_multi_remove_handle(m_multi->handle, e.easy);
    Response response;
    response.status = e.status;
    response.reason = Printable::text(QString::fromLatin1(e.reason));
    response.location = QString::fromUtf8(e.location);
    if (isEntityTag(e.etag))
        response.etag = e.etag;
    const QString detail = Printable::text(
        QString::fromUtf8(e.error[0] ? e.error : curl_easy_strerror(CURLcode(result))));
    switch (e.stop) {
    case Exchange::Stop::TooLarge:
        response.failure = QStringLiteral("the answer is larger than %1 MB").arg(MaxAnswerBytes / (1024 * 1024));
        response.tooLarge = true;
        break;
    case Exchange::Stop::HeadTooLarge:
        response.failure =
            QStringLiteral("the answer's headers are too large: over %1 KB in all").arg(MaxHeadBytes / 1024);
        break;
    case Exchange::Stop::Unreadable:
        response.failure = QStringLiteral("the answer cannot be read");
        break;
    case Exchange::Stop::None:
        switch (result) {
        case CURLE_OK:
            break;
        case CURLE_OPERATION_TIMEDOUT:
            response.failure = outOfTime();
            response.timedOut = true;
            break;
        case CURLE_SEND_FAIL_REWIND:
        case CURLE_GOT_NOTHING:
            response.failure = QStringLiteral("the connection closed before an answer came; the request is not "
                                              "sent again, since the server may have done it already");
            break;
        default:
            // libcurl refuses a header line longer than it holds as if its
            // memory had run out (later versions: CURLE_TOO_LARGE).
            if (!e.headDone && (result == CURLE_OUT_OF_MEMORY
#if LIBCURL_VERSION_NUM >= 0x080600
                                || result == CURLE_TOO_LARGE
#endif
                                ))
                response.failure = QStringLiteral("the answer's headers are too large: a line over %1 KB")
                                       .arg(MaxHeaderLineBytes / 1024);
            else
                response.failure = (e.status ? QString() : QStringLiteral("cannot reach the server: ")) + detail;
            break;
        }
        break;
    }
    if (response.failure.isEmpty() && response.status == 401 && e.attempt == 0 && !user().isEmpty()
        && m_authorization.challenge(e.wwwAuthenticate) && (!e.authorised || m_authorization.stale())) {
        ++e.attempt;
        return !start(e);
    }
    *e.response = response;
    e.release();
    return true;
}

std::vector<DavClient::Response> DavClient::send(const std::vector<Request>& requests,
                                                 const std::function<void(size_t)>& progress)
{
    std::vector<Response> responses(requests.size());
    std::vector<Exchange> exchanges(requests.size());
    size_t next = 0;
    size_t running = 0;
    size_t finished = 0;
    const auto count = [&] {
        ++finished;
        if (progress)
            progress(finished);
    };
    const auto fill = [&] {
        for (; running < Parallel && next < requests.size(); ++next) {
            Exchange& e = exchanges[next];
            e.request = &requests[next];
            e.response = &responses[next];
            e.deadline = Clock::now() + std::chrono::seconds(m_timeoutSeconds);
            if (m_stuck) {
                responses[next] = {0, {}, {}, QStringLiteral("not sent: the server gave an earlier request no complete "
                                                             "answer within %1 seconds").arg(m_timeoutSeconds),
                                   false, {}};
                count();
            } else if (start(e)) {
                ++running;
            } else {
                count();
            }
        }
    };
    fill();
    while (running > 0) {
        int active = 0;
        curl_multi_perform(m_multi->handle, &active);
        int queued = 0;
        while (CURLMsg* message = curl_multi_info_read(m_multi->handle, &queued)) {
            if (message->msg != CURLMSG_DONE)
                continue;
            Exchange* e = nullptr;
            curl_easy_getinfo(message->easy_handle, CURLINFO_PRIVATE, &e);
            if (!finish(*e, message->data.result))
                continue;
            --running;
            m_stuck = m_stuck || e->response->timedOut;
            count();
            fill();
        }
        if (running > 0)
            curl_multi_poll(m_multi->handle, nullptr, 0, 1000, nullptr);
    }
    return responses;
}

QString DavClient::outOfTime() const
{
    return QStringLiteral("no complete answer within %1 seconds").arg(m_timeoutSeconds);
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
    if (host == u"localhost" || isLoopback(host))
        return std::nullopt;
    return QStringLiteral("uses plain http://, which would send the password and the directory unencrypted: use "
                          "https://, or http:// only to this computer (localhost, 127.0.0.1, [::1])");
}

bool DavClient::isEntityTag(QByteArrayView value)
{
    if (value.startsWith("W/"))
        value = value.sliced(2);
    if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"'))
        return false;
    // etagc: any visible character but the quote, and bytes above ASCII.
    const QByteArrayView inside = value.sliced(1, value.size() - 2);
    return std::all_of(inside.begin(), inside.end(),
                       [](char c) { return quint8(c) >= 0x80 || (c >= 0x21 && c <= 0x7E && c != '"'); });
}
