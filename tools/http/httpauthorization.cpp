#include "tools/http/httpauthorization.h"

#include "tools/http/secretmemory.h"

#include <QCryptographicHash>
#include <QList>
#include <QPair>
#include <QRandomGenerator>

namespace {

struct Challenge
{
    QByteArray scheme; // lower case
    QList<QPair<QByteArray, QByteArray>> params; // lower-case name, value without quotes

    std::optional<QByteArray> param(const QByteArray& name) const
    {
        for (const auto& [key, value] : params) {
            if (key == name)
                return value;
        }
        return std::nullopt;
    }
};

bool isTokenChar(char c)
{
    static const QByteArray marks = "!#$%&'*+-.^_`|~";
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || marks.contains(c);
}

// RFC 9110's list of challenges: each a scheme followed by name=value
// parameters, all separated by commas. Reading stops at what it cannot read.
QList<Challenge> challenges(const QByteArray& text)
{
    QList<Challenge> list;
    qsizetype i = 0;
    const auto skip = [&](bool commas) {
        while (i < text.size() && (text[i] == ' ' || text[i] == '\t' || (commas && text[i] == ',')))
            ++i;
    };
    const auto token = [&] {
        const qsizetype start = i;
        while (i < text.size() && isTokenChar(text[i]))
            ++i;
        return text.mid(start, i - start);
    };
    for (;;) {
        skip(true);
        const QByteArray name = token();
        if (name.isEmpty())
            return list;
        skip(false);
        if (i >= text.size() || text[i] != '=' || list.isEmpty()) {
            list.append({name.toLower(), {}});
            continue;
        }
        ++i;
        skip(false);
        QByteArray value;
        if (i < text.size() && text[i] == '"') {
            for (++i;; ++i) {
                if (i >= text.size())
                    return list; // never closed
                if (text[i] == '"')
                    break;
                if (text[i] == '\\' && i + 1 < text.size())
                    ++i;
                value += text[i];
            }
            ++i;
        } else {
            value = token();
        }
        list.last().params.append({name.toLower(), value});
    }
}

// What the header may echo back: nothing that could end the header line.
bool echoable(const QByteArray& value)
{
    return std::none_of(value.begin(), value.end(), [](char c) { return quint8(c) < 0x20 || c == 0x7F; });
}

QByteArray quoted(QByteArray value)
{
    value.replace('\\', "\\\\").replace('"', "\\\"");
    return '"' + value + '"';
}

// The request target as Qt's network module writes it on the request line,
// which a Digest answer must repeat exactly.
QByteArray requestTarget(const QUrl& url)
{
    QUrl copy = url;
    QUrl::FormattingOptions format =
        QUrl::RemoveScheme | QUrl::RemoveAuthority | QUrl::RemoveFragment | QUrl::FullyEncoded;
    if (copy.path().isEmpty())
        copy.setPath(QStringLiteral("/"));
    else
        format |= QUrl::NormalizePathSegments;
    return copy.toEncoded(format);
}

} // namespace

HttpAuthorization::HttpAuthorization(const QString& user, QString password)
    : m_user(user)
    , m_password(password.toUtf8())
{
    SecretMemory::wipe(password);
}

HttpAuthorization::~HttpAuthorization()
{
    SecretMemory::wipe(m_password);
}

bool HttpAuthorization::challenge(const QByteArray& wwwAuthenticate)
{
    const QList<Challenge> offered = challenges(wwwAuthenticate);
    // The strongest answerable one: Digest with SHA-256, Digest with MD5,
    // then Basic, which the client sends only over TLS or to this computer.
    const Challenge* best = nullptr;
    int bestRank = 0;
    for (const Challenge& c : offered) {
        int rank = 0;
        if (c.scheme == "basic") {
            rank = 1;
        } else if (c.scheme == "digest") {
            const QByteArray algorithm = c.param("algorithm").value_or("MD5").toUpper();
            const auto qop = c.param("qop");
            bool answerableQop = !qop;
            for (const QByteArray& option : qop.value_or(QByteArray()).split(','))
                answerableQop = answerableQop || option.trimmed().toLower() == "auth";
            const bool complete = c.param("realm") && c.param("nonce") && !c.param("nonce")->isEmpty();
            const bool safe = echoable(c.param("realm").value_or("")) && echoable(c.param("nonce").value_or(""))
                              && echoable(c.param("opaque").value_or(""));
            if (complete && safe && answerableQop) {
                if (algorithm == "SHA-256" || algorithm == "SHA-256-SESS")
                    rank = 3;
                else if (algorithm == "MD5" || algorithm == "MD5-SESS")
                    rank = 2;
            }
        }
        if (rank > bestRank) {
            best = &c;
            bestRank = rank;
        }
    }
    if (!best)
        return false;
    m_stale = false;
    if (best->scheme == "basic") {
        m_scheme = Scheme::Basic;
        return true;
    }
    m_scheme = Scheme::Digest;
    m_realm = *best->param("realm");
    const QByteArray nonce = *best->param("nonce");
    if (nonce != m_nonce)
        m_count = 0;
    m_nonce = nonce;
    m_opaque = best->param("opaque").value_or(QByteArray());
    const QByteArray algorithm = best->param("algorithm").value_or(QByteArray()).toUpper();
    m_sha256 = bestRank == 3;
    m_session = algorithm.endsWith("-SESS");
    // Named back in the answer as the RFC spells it, never as the server did.
    m_algorithm = algorithm.isEmpty() ? QByteArray() : QByteArray(m_sha256 ? "SHA-256" : "MD5") + (m_session ? "-sess" : "");
    m_qop = best->param("qop").has_value();
    m_stale = best->param("stale").value_or("").toLower() == "true";
    return true;
}

std::optional<QByteArray> HttpAuthorization::header(const QByteArray& verb, const QUrl& url)
{
    switch (m_scheme) {
    case Scheme::None:
        return std::nullopt;
    case Scheme::Basic: {
        QByteArray credentials = SecretMemory::joined({m_user.toUtf8(), ":", m_password});
        QByteArray encoded = credentials.toBase64();
        SecretMemory::wipe(credentials);
        const QByteArray value = SecretMemory::joined({"Basic ", encoded});
        SecretMemory::wipe(encoded);
        return value;
    }
    case Scheme::Digest:
        return digest(verb, url);
    }
    return std::nullopt;
}

QByteArray HttpAuthorization::hash(const QByteArray& text) const
{
    // Digest's hash of the password stands for it within the realm.
    QByteArray digest = QCryptographicHash::hash(text, m_sha256 ? QCryptographicHash::Sha256 : QCryptographicHash::Md5);
    const QByteArray hex = digest.toHex();
    SecretMemory::wipe(digest);
    return hex;
}

QByteArray HttpAuthorization::digest(const QByteArray& verb, const QUrl& url)
{
    const QByteArray user = m_user.toUtf8();
    const QByteArray target = requestTarget(url);
    const QByteArray count = QByteArray::number(++m_count, 16).rightJustified(8, '0');
    const QByteArray cnonce = QByteArray::number(QRandomGenerator::system()->generate64(), 16);

    // Each buffer holding the password or its hash is hashed, then wiped.
    const auto hashed = [this](QByteArray text) {
        const QByteArray digest = hash(text);
        SecretMemory::wipe(text);
        return digest;
    };
    QByteArray secret = hashed(SecretMemory::joined({user, ":", m_realm, ":", m_password}));
    if (m_session) {
        QByteArray session = hashed(SecretMemory::joined({secret, ":", m_nonce, ":", cnonce}));
        SecretMemory::wipe(secret);
        secret = std::move(session);
    }
    const QByteArray request = hash(verb + ':' + target);
    const QByteArray response =
        m_qop ? hashed(SecretMemory::joined({secret, ":", m_nonce, ":", count, ":", cnonce, ":auth:", request}))
              : hashed(SecretMemory::joined({secret, ":", m_nonce, ":", request}));
    SecretMemory::wipe(secret);

    QByteArray header = "Digest username=" + quoted(user) + ", realm=" + quoted(m_realm)
                        + ", nonce=" + quoted(m_nonce) + ", uri=" + quoted(target) + ", response=\"" + response + '"';
    if (!m_algorithm.isEmpty())
        header += ", algorithm=" + m_algorithm;
    if (!m_opaque.isEmpty())
        header += ", opaque=" + quoted(m_opaque);
    if (m_qop || m_session)
        header += ", cnonce=\"" + cnonce + '"';
    if (m_qop)
        header += ", qop=auth, nc=" + count;
    return header;
}
