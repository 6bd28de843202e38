#include "tools/carddav/davxml.h"

#include "tools/formats/toolerror.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

#include <functional>

namespace {

const QString Dav = QStringLiteral("DAV:");
const QString CardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// "HTTP/1.1 404 Not Found" -> 404
int statusCode(const QString& line)
{
    return line.simplified().section(u' ', 1, 1).toInt();
}

bool succeeded(int status)
{
    return status >= 200 && status <= 299;
}

// A request's body: its root element, in `space`, with what `content`
// writes inside it.
QByteArray request(const QString& space, const QString& root, const std::function<void(QXmlStreamWriter&)>& content)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    xml.writeStartDocument();
    xml.writeNamespace(Dav, QStringLiteral("D"));
    xml.writeNamespace(CardDav, QStringLiteral("C"));
    xml.writeStartElement(space, root);
    content(xml);
    xml.writeEndDocument();
    return body;
}

} // namespace

QByteArray DavXml::propfind()
{
    return request(Dav, QStringLiteral("propfind"), [](QXmlStreamWriter& xml) {
        xml.writeStartElement(Dav, QStringLiteral("prop"));
        xml.writeEmptyElement(Dav, QStringLiteral("resourcetype"));
        xml.writeEmptyElement(Dav, QStringLiteral("getetag"));
        xml.writeEmptyElement(Dav, QStringLiteral("sync-token"));
        xml.writeEmptyElement(CardDav, QStringLiteral("supported-address-data"));
    });
}

QByteArray DavXml::syncCollection(const QString& token)
{
    return request(Dav, QStringLiteral("sync-collection"), [&](QXmlStreamWriter& xml) {
        xml.writeTextElement(Dav, QStringLiteral("sync-token"), token);
        xml.writeTextElement(Dav, QStringLiteral("sync-level"), QStringLiteral("1"));
        xml.writeStartElement(Dav, QStringLiteral("prop"));
        xml.writeEmptyElement(Dav, QStringLiteral("getetag"));
    });
}

QByteArray DavXml::multiget(const QStringList& hrefs)
{
    return request(CardDav, QStringLiteral("addressbook-multiget"), [&](QXmlStreamWriter& xml) {
        xml.writeStartElement(Dav, QStringLiteral("prop"));
        xml.writeEmptyElement(Dav, QStringLiteral("getetag"));
        xml.writeEmptyElement(CardDav, QStringLiteral("address-data"));
        xml.writeEndElement();
        for (const QString& href : hrefs)
            xml.writeTextElement(Dav, QStringLiteral("href"), href);
    });
}

// Where the reader is: the elements that matter by their place, all others
// as Other, whose content is skipped.
enum class DavXml::MultistatusReader::Element {
    Multistatus,
    Response,
    Href,
    Status,
    Propstat,
    PropstatStatus,
    Prop,
    GetEtag,
    ResourceType,
    SupportedAddressData,
    AddressData,
    SyncToken,
    Other
};

bool DavXml::MultistatusReader::holdsText(Element element)
{
    return element == Element::Href || element == Element::Status || element == Element::PropstatStatus
           || element == Element::GetEtag || element == Element::AddressData || element == Element::SyncToken;
}

DavXml::MultistatusReader::MultistatusReader(std::function<void(Response&&)> onResponse)
    : m_onResponse(std::move(onResponse))
{
}

bool DavXml::MultistatusReader::feed(QByteArrayView data)
{
    if (!m_error.isEmpty())
        return false;
    m_xml.addData(data.toByteArray());
    for (;;) {
        switch (m_xml.readNext()) {
        case QXmlStreamReader::StartElement:
            start();
            break;
        case QXmlStreamReader::EndElement:
            end();
            break;
        case QXmlStreamReader::Characters:
            if (!m_open.empty() && holdsText(m_open.back()))
                m_text += m_xml.text();
            break;
        case QXmlStreamReader::Invalid:
            // Well-formed so far: the rest is still to come.
            if (m_xml.error() == QXmlStreamReader::PrematureEndOfDocumentError)
                return true;
            fail(QStringLiteral("the server's answer is %1 (line %2: %3)")
                     .arg(m_rooted ? QStringLiteral("broken XML") : QStringLiteral("not XML"),
                          QString::number(m_xml.lineNumber()), m_xml.errorString()));
            return false;
        case QXmlStreamReader::EndDocument:
            return m_error.isEmpty();
        default:
            break;
        }
        if (!m_error.isEmpty())
            return false;
    }
}

void DavXml::MultistatusReader::finish()
{
    if (m_error.isEmpty() && !m_ended)
        fail(QStringLiteral("the server's answer is %1 (line %2: %3)")
                 .arg(m_rooted ? QStringLiteral("broken XML") : QStringLiteral("not XML"),
                      QString::number(m_xml.lineNumber()),
                      m_xml.hasError() ? m_xml.errorString() : QStringLiteral("it ends too soon")));
    if (!m_error.isEmpty())
        throw ToolError(m_error);
}

void DavXml::MultistatusReader::fail(const QString& why)
{
    if (m_error.isEmpty())
        m_error = why;
}

void DavXml::MultistatusReader::start()
{
    if (m_open.size() == MaxDepth) {
        fail(QStringLiteral("the server's answer nests its elements more than %1 deep").arg(MaxDepth));
        return;
    }
    const bool dav = m_xml.namespaceUri() == Dav;
    const bool cardDav = m_xml.namespaceUri() == CardDav;
    const QStringView name = m_xml.name();
    Element element = Element::Other;
    if (m_open.empty()) {
        if (m_rooted || !dav || name != u"multistatus") {
            fail(QStringLiteral("the server's answer is not a WebDAV multi-status"));
            return;
        }
        m_rooted = true;
        element = Element::Multistatus;
    } else {
        switch (m_open.back()) {
        case Element::Multistatus:
            if (dav && name == u"response") {
                element = Element::Response;
                m_response = Response();
            } else if (dav && name == u"sync-token") {
                element = Element::SyncToken;
            }
            break;
        case Element::Response:
            if (dav && name == u"href")
                element = Element::Href;
            else if (dav && name == u"status")
                element = Element::Status;
            else if (dav && name == u"propstat") {
                element = Element::Propstat;
                m_propstat = Response();
            }
            break;
        case Element::Propstat:
            if (dav && name == u"status")
                element = Element::PropstatStatus;
            else if (dav && name == u"prop")
                element = Element::Prop;
            break;
        case Element::Prop:
            if (dav && name == u"getetag")
                element = Element::GetEtag;
            else if (dav && name == u"resourcetype")
                element = Element::ResourceType;
            else if (cardDav && name == u"address-data")
                element = Element::AddressData;
            else if (cardDav && name == u"supported-address-data")
                element = Element::SupportedAddressData;
            else if (dav && name == u"sync-token")
                element = Element::SyncToken;
            break;
        case Element::ResourceType:
            if (dav && name == u"collection")
                m_propstat.collection = true;
            else if (cardDav && name == u"addressbook")
                m_propstat.addressBook = true;
            break;
        case Element::SupportedAddressData:
            if (cardDav && name == u"address-data-type") {
                const QXmlStreamAttributes attributes = m_xml.attributes();
                const QStringView type = attributes.value(QLatin1String("content-type"));
                const QStringView version = attributes.value(QLatin1String("version"));
                if (type.isEmpty() || type.compare(u"text/vcard", Qt::CaseInsensitive) == 0) {
                    m_propstat.vcard3 = m_propstat.vcard3 || version == u"3.0";
                    m_propstat.vcard4 = m_propstat.vcard4 || version == u"4.0";
                }
            }
            break;
        default:
            break;
        }
    }
    if (holdsText(element))
        m_text.clear();
    m_open.push_back(element);
}

void DavXml::MultistatusReader::end()
{
    const Element element = m_open.back();
    m_open.pop_back();
    switch (element) {
    case Element::Href:
        m_response.href = m_text.trimmed();
        break;
    case Element::Status:
        m_response.status = statusCode(m_text);
        break;
    case Element::PropstatStatus:
        m_propstat.status = statusCode(m_text);
        break;
    case Element::GetEtag:
        m_propstat.etag = m_text.trimmed();
        break;
    case Element::AddressData:
        m_propstat.addressData = m_text;
        break;
    case Element::SyncToken:
        // The answer's own, after its responses, or a collection's property.
        if (m_open.back() == Element::Multistatus)
            m_syncToken = m_text.trimmed();
        else
            m_propstat.syncToken = m_text.trimmed();
        break;
    case Element::Propstat:
        // Properties the server does not have come in a propstat of their
        // own with 404; only those it has are taken.
        if (succeeded(m_propstat.status)) {
            m_response.status = m_propstat.status;
            if (!m_propstat.etag.isEmpty())
                m_response.etag = m_propstat.etag;
            m_response.collection = m_response.collection || m_propstat.collection;
            m_response.addressBook = m_response.addressBook || m_propstat.addressBook;
            m_response.vcard3 = m_response.vcard3 || m_propstat.vcard3;
            m_response.vcard4 = m_response.vcard4 || m_propstat.vcard4;
            if (m_propstat.addressData)
                m_response.addressData = std::move(m_propstat.addressData);
            if (!m_propstat.syncToken.isEmpty())
                m_response.syncToken = m_propstat.syncToken;
        }
        break;
    case Element::Response:
        m_onResponse(std::move(m_response));
        m_response = Response();
        break;
    case Element::Multistatus:
        m_ended = true;
        break;
    default:
        break;
    }
}

std::vector<DavXml::Response> DavXml::multistatus(const QByteArray& body)
{
    std::vector<Response> responses;
    MultistatusReader reader([&](Response&& r) { responses.push_back(std::move(r)); });
    reader.feed(body);
    reader.finish();
    return responses;
}
