#include "tools/carddav/collectionscope.h"

#include "tools/formats/toolerror.h"
#include "tools/http/davclient.h"

#include <algorithm>

namespace {

int portOf(const QUrl& url)
{
    return url.port(url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 ? 443 : 80);
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
    if (std::any_of(path.begin(), path.end(), [](QChar c) { return DavTransport::isControl(c) || c == u'\\'; }))
        return std::nullopt;
    // resolved() has taken out the dot segments that were written plainly;
    // any left now were escaped, and a server decoding them would step out.
    for (const QStringView step : QStringView(path).split(u'/')) {
        if (step == u"." || step == u"..")
            return std::nullopt;
    }
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
