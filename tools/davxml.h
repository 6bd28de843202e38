#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

// The XML of WebDAV (RFC 4918) and CardDAV (RFC 6352) that publish speaks:
// the two request bodies it sends and the multi-status answers to them.
class DavXml
{
public:
    // One <response> of a multi-status answer.
    struct Response
    {
        QString href;     // as the server wrote it
        int status = 0;   // of the resource, or of the properties asked for
        QString etag;
        bool collection = false;
        bool addressBook = false;
        std::optional<QString> addressData;
    };

    // PROPFIND: the resource type and the ETag.
    static QByteArray propfind();
    // addressbook-multiget REPORT: the ETag and the card of each of `hrefs`.
    static QByteArray multiget(const QStringList& hrefs);

    // Throws ToolError when `body` is not a multi-status answer.
    static std::vector<Response> multistatus(const QByteArray& body);
};
