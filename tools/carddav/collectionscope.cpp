#include "tools/carddav/collectionscope.h"

#include "tools/formats/toolerror.h"
#include "tools/http/davclient.h"

#include <algorithm>

namespace {

int portOf(const QUrl& url)
{
    return url.port(url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80);
}

// The ideographic full stop, which IDNA takes for a dot, as NFKC does not.
constexpr char16_t IdeographicFullStop = 0x3002;

// Whether a decoded path, as some server may read it, could step outside
// where it seems to lie. resolved() has taken out the dot segments written
// plainly, so any dot segment left was disguised: escaped, followed by a
// path parameter (Tomcat reads "..;x" as ".."), or written in look-alikes
// that a server folding Unicode (NFKC) reads as dots or slashes, such as
// U+2025 TWO DOT LEADER or U+FF0E FULLWIDTH FULL STOP. A card's name is
// never one of them, so each is refused wherever it stands.
bool steppingOut(const QString& path)
{
    // Folding keeps control characters and makes a fullwidth backslash one.
    // U+FFFD stands for escapes that are no UTF-8, such as an overlong
    // "%c0%ae" that an old server decodes as ".".
    const QString folded = path.normalized(QString::NormalizationForm_KC);
    if (std::any_of(folded.begin(), folded.end(), [](QChar c) {
            return DavTransport::isControl(c) || c == u'\\' || c == QChar::ReplacementCharacter;
        }))
        return true;
    for (QStringView step : QStringView(folded).split(u'/')) {
        if (const qsizetype parameter = step.indexOf(u';'); parameter >= 0)
            step = step.first(parameter);
        step = step.trimmed();
        if (!step.isEmpty()
            && std::all_of(step.begin(), step.end(), [](QChar c) { return c == u'.' || c == IdeographicFullStop; }))
            return true;
    }
    return false;
}

} // namespace

QUrl CollectionScope::addressBook(const QString& url)
{
    const QUrl given(url, QUrl::StrictMode);
    if (const auto why = DavClient::refusal(given))
        throw ToolError(QStringLiteral("%1 %2. Nothing was sent.").arg(given.toDisplayString(QUrl::RemovePassword), *why));
    return given;
}

CollectionScope::CollectionScope(const QUrl& collection)
    : m_url(collection.adjusted(QUrl::RemoveUserInfo | QUrl::RemoveQuery | QUrl::RemoveFragment))
{
    m_path = m_url.path(QUrl::FullyDecoded);
    if (!m_path.endsWith(u'/'))
        m_path += u'/';
    m_url.setPath(m_path, QUrl::DecodedMode);
}

QString CollectionScope::identity() const
{
    QString path = m_path;
    while (path.endsWith(QStringLiteral("//")))
        path.chop(1);
    const QString scheme = m_url.scheme().toLower();
    const int port = portOf(m_url);
    const bool usual = port == (scheme == u"https" ? 443 : 80);
    return QStringLiteral("%1://%2%3%4")
        .arg(scheme, m_url.host(QUrl::FullyDecoded).toLower(), usual ? QString() : u':' + QString::number(port), path);
}

std::optional<QUrl> CollectionScope::resolve(const QString& href) const
{
    if (href.isEmpty() || std::any_of(href.begin(), href.end(), DavTransport::isControl))
        return std::nullopt;
    const QUrl reference(href, QUrl::TolerantMode);
    if (!reference.isValid() || reference.hasQuery())
        return std::nullopt;
    const QUrl resolved = m_url.resolved(reference);
    if (resolved.scheme().compare(m_url.scheme(), Qt::CaseInsensitive) != 0
        || resolved.host().compare(m_url.host(), Qt::CaseInsensitive) != 0 || portOf(resolved) != portOf(m_url))
        return std::nullopt;

    const QString path = resolved.path(QUrl::FullyDecoded);
    if (steppingOut(path))
        return std::nullopt;
    if (!isCollection(resolved) && !path.startsWith(m_path))
        return std::nullopt;

    QUrl url = m_url;
    url.setPath(resolved.path(QUrl::FullyEncoded), QUrl::TolerantMode);
    return url;
}

QUrl CollectionScope::member(const QString& path) const
{
    QUrl url = m_url;
    url.setPath(path, QUrl::DecodedMode);
    return url;
}

bool CollectionScope::isCollection(const QUrl& url) const
{
    QString path = url.path(QUrl::FullyDecoded);
    if (!path.endsWith(u'/'))
        path += u'/';
    return path == m_path;
}
