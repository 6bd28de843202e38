#pragma once

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <optional>

// The Authorization header for a server's challenge: Basic (RFC 7617) or
// Digest (RFC 7616, MD5 or SHA-256, qop "auth"). The client answers
// challenges itself rather than through Qt's network module, because Qt
// answers a 401 by sending the request again from a copy of its body, and a
// request that changes something must never be sent twice by anyone but us.
//
// Whatever the server puts in its challenge and the header echoes back
// (realm, nonce, opaque) is checked first: a challenge holding a control
// character is not answered, so no server text can add a header line.
//
// The password is kept as UTF-8 in a buffer of its own, overwritten when
// this goes, as are the buffers each answer is built in (SecretMemory).
class HttpAuthorization
{
public:
    // A `password` handed over as the only holder of its text (moved, or a
    // temporary) is overwritten once copied.
    HttpAuthorization(const QString& user, QString password);
    ~HttpAuthorization();
    HttpAuthorization(const HttpAuthorization&) = delete;
    HttpAuthorization& operator=(const HttpAuthorization&) = delete;

    // Takes the WWW-Authenticate value of a 401 answer (several challenges
    // joined by commas, as Qt joins repeated headers). True when one of them
    // can be answered; it then replaces what was known.
    bool challenge(const QByteArray& wwwAuthenticate);
    // Whether the last challenge taken said the nonce had merely expired
    // (Digest's stale=true): the credentials were not refused.
    bool stale() const { return m_stale; }
    // The header value for a request, once a challenge is known.
    std::optional<QByteArray> header(const QByteArray& verb, const QUrl& url);

private:
    enum class Scheme { None, Basic, Digest };

    QByteArray digest(const QByteArray& verb, const QUrl& url);
    QByteArray hash(const QByteArray& text) const;

    QString m_user;
    QByteArray m_password; // UTF-8, held alone
    Scheme m_scheme = Scheme::None;
    bool m_stale = false;
    // Digest's challenge, and how many requests have answered its nonce.
    QByteArray m_realm, m_nonce, m_opaque, m_algorithm;
    bool m_sha256 = false;
    bool m_session = false;
    bool m_qop = false;
    quint32 m_count = 0;
};
