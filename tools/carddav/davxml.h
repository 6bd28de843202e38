#pragma once

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <QXmlStreamReader>

#include <functional>
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
        // The vCard versions an address book says it takes, where it says.
        bool vcard3 = false;
        bool vcard4 = false;
        std::optional<QString> addressData;
        QString syncToken; // a collection's, when asked for and kept
    };

    // A multi-status answer read as it arrives, each <response> handed on as
    // soon as it is complete: a listing of any length is read in the memory
    // of one response.
    class MultistatusReader
    {
    public:
        // A multi-status is a handful of levels deep; a property a server
        // adds may nest a few more. An answer of nothing but opening tags
        // would otherwise hold the reader's memory at many times its size.
        static constexpr size_t MaxDepth = 64;

        explicit MultistatusReader(std::function<void(Response&&)> onResponse);

        // False once the answer is known to be broken; error() says why.
        bool feed(QByteArrayView data);
        // Throws ToolError unless the whole answer has been read.
        void finish();
        QString error() const { return m_error; }
        // The token a sync-collection answer ends with.
        QString syncToken() const { return m_syncToken; }

    private:
        enum class Element;
        static bool holdsText(Element element);
        void start();
        void end();
        void fail(const QString& why);

        std::function<void(Response&&)> m_onResponse;
        QXmlStreamReader m_xml;
        std::vector<Element> m_open;
        bool m_rooted = false;
        bool m_ended = false;
        QString m_error;
        QString m_syncToken;
        QString m_text; // of the element being read, when it is one whose text counts
        Response m_response;
        // The properties of one <propstat>, kept apart until its status says
        // whether they are there.
        Response m_propstat;
    };

    // PROPFIND: the resource type, the ETag and, of a collection that keeps
    // one, its sync token (RFC 6578); of an address book, the vCard versions
    // it takes (RFC 6352).
    static QByteArray propfind();
    // sync-collection REPORT (RFC 6578): the ETags of the members changed
    // since `token` (all of them for an empty one), and those removed.
    static QByteArray syncCollection(const QString& token);
    // addressbook-multiget REPORT: the ETag and the card of each of `hrefs`.
    static QByteArray multiget(const QStringList& hrefs);

    // A whole answer at once. Throws ToolError when `body` is not a
    // multi-status answer.
    static std::vector<Response> multistatus(const QByteArray& body);
};
