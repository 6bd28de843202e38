#include "davxml.h"

#include "flatrecord.h"

#include <QXmlStreamReader>
#include <QXmlStreamWriter>

namespace {

const QString Dav = QStringLiteral("DAV:");
const QString CardDav = QStringLiteral("urn:ietf:params:xml:ns:carddav");

// "HTTP/1.1 404 Not Found" -> 404
int statusCode(const QString& line)
{
    return line.simplified().section(u' ', 1, 1).toInt();
}

// The properties of one <propstat>, kept apart until its status says
// whether they are there.
struct Properties
{
    int status = 0;
    QString etag;
    bool collection = false;
    bool addressBook = false;
    std::optional<QString> addressData;
};

void readResourceType(QXmlStreamReader& xml, Properties& properties)
{
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == Dav && xml.name() == u"collection")
            properties.collection = true;
        else if (xml.namespaceUri() == CardDav && xml.name() == u"addressbook")
            properties.addressBook = true;
        xml.skipCurrentElement();
    }
}

Properties readPropstat(QXmlStreamReader& xml)
{
    Properties properties;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == Dav && xml.name() == u"status") {
            properties.status = statusCode(xml.readElementText());
        } else if (xml.namespaceUri() == Dav && xml.name() == u"prop") {
            while (xml.readNextStartElement()) {
                if (xml.namespaceUri() == Dav && xml.name() == u"getetag")
                    properties.etag = xml.readElementText().trimmed();
                else if (xml.namespaceUri() == Dav && xml.name() == u"resourcetype")
                    readResourceType(xml, properties);
                else if (xml.namespaceUri() == CardDav && xml.name() == u"address-data")
                    properties.addressData = xml.readElementText();
                else
                    xml.skipCurrentElement();
            }
        } else {
            xml.skipCurrentElement();
        }
    }
    return properties;
}

DavXml::Response readResponse(QXmlStreamReader& xml)
{
    DavXml::Response response;
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() != Dav) {
            xml.skipCurrentElement();
        } else if (xml.name() == u"href") {
            response.href = xml.readElementText().trimmed();
        } else if (xml.name() == u"status") {
            response.status = statusCode(xml.readElementText());
        } else if (xml.name() == u"propstat") {
            // Properties the server does not have come in a propstat of
            // their own with 404; only those it has are taken.
            const Properties p = readPropstat(xml);
            if (p.status < 200 || p.status > 299)
                continue;
            response.status = p.status;
            if (!p.etag.isEmpty())
                response.etag = p.etag;
            response.collection = response.collection || p.collection;
            response.addressBook = response.addressBook || p.addressBook;
            if (p.addressData)
                response.addressData = p.addressData;
        } else {
            xml.skipCurrentElement();
        }
    }
    return response;
}

} // namespace

QByteArray DavXml::propfind()
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    xml.writeStartDocument();
    xml.writeNamespace(Dav, QStringLiteral("D"));
    xml.writeStartElement(Dav, QStringLiteral("propfind"));
    xml.writeStartElement(Dav, QStringLiteral("prop"));
    xml.writeEmptyElement(Dav, QStringLiteral("resourcetype"));
    xml.writeEmptyElement(Dav, QStringLiteral("getetag"));
    xml.writeEndDocument();
    return body;
}

QByteArray DavXml::multiget(const QStringList& hrefs)
{
    QByteArray body;
    QXmlStreamWriter xml(&body);
    xml.writeStartDocument();
    xml.writeNamespace(Dav, QStringLiteral("D"));
    xml.writeNamespace(CardDav, QStringLiteral("C"));
    xml.writeStartElement(CardDav, QStringLiteral("addressbook-multiget"));
    xml.writeStartElement(Dav, QStringLiteral("prop"));
    xml.writeEmptyElement(Dav, QStringLiteral("getetag"));
    xml.writeEmptyElement(CardDav, QStringLiteral("address-data"));
    xml.writeEndElement();
    for (const QString& href : hrefs)
        xml.writeTextElement(Dav, QStringLiteral("href"), href);
    xml.writeEndDocument();
    return body;
}

std::vector<DavXml::Response> DavXml::multistatus(const QByteArray& body)
{
    QXmlStreamReader xml(body);
    std::vector<Response> responses;
    if (!xml.readNextStartElement() || xml.namespaceUri() != Dav || xml.name() != u"multistatus") {
        if (xml.hasError())
            throw ToolError(QStringLiteral("the server's answer is not XML (line %1: %2)")
                                .arg(QString::number(xml.lineNumber()), xml.errorString()));
        throw ToolError(QStringLiteral("the server's answer is not a WebDAV multi-status"));
    }
    while (xml.readNextStartElement()) {
        if (xml.namespaceUri() == Dav && xml.name() == u"response")
            responses.push_back(readResponse(xml));
        else
            xml.skipCurrentElement();
    }
    if (xml.hasError())
        throw ToolError(QStringLiteral("the server's answer is broken XML (line %1: %2)")
                            .arg(QString::number(xml.lineNumber()), xml.errorString()));
    return responses;
}
