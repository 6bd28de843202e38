#pragma once

#include <QString>
#include <QUrl>

#include <optional>

// An address book's URL and what lies inside it. Every address a server
// hands back (an href in a listing, a card's address) is resolved here
// before any request goes to it: only the collection itself and what is
// beneath its path, on the same scheme, host and port, may receive a
// request, and with it the credentials.
class CollectionScope
{
public:
    // The address book's URL as typed, once it is one the password and the
    // directory may be sent to; throws ToolError otherwise, before anything
    // was sent.
    static QUrl addressBook(const QString& url);

    // `collection` must already be one the client may send to; its path is
    // taken as a collection's, ending in "/", and its user name is dropped.
    explicit CollectionScope(const QUrl& collection);

    const QUrl& url() const { return m_url; }
    // The address book however its URL is written: scheme and host in lower
    // case, no default port, the path decoded and ending in one "/". What is
    // remembered of an address book is kept under it.
    QString identity() const;

    // The address `href` names when it is the collection or lies inside it,
    // with the collection's own scheme, host and port; nullopt otherwise.
    // Percent-escapes are decoded before the path is compared, so that an
    // escaped "../" or "/" cannot step out where the server would decode it;
    // a dot segment in any other disguise (a path parameter, "..;", or
    // Unicode look-alikes of dots and slashes) is refused as outside.
    std::optional<QUrl> resolve(const QString& href) const;
    // The address of the member at `path` (decoded), as resolve() gave it.
    QUrl member(const QString& path) const;
    bool isCollection(const QUrl& url) const;

private:
    QUrl m_url;
    QString m_path; // decoded, ending in "/"
};
