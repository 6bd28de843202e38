#include "shapeserver.h"

#include "measure.h"

#include <QRegularExpression>
#include <QString>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QByteArray Head = "<?xml version=\"1.0\" encoding=\"utf-8\"?>\n"
                        "<multistatus xmlns=\"DAV:\" xmlns:C=\"urn:ietf:params:xml:ns:carddav\">";
const QByteArray Collection = "<response><href>/book/</href><propstat><prop><resourcetype><collection/>"
                              "<C:addressbook/></resourcetype></prop><status>HTTP/1.1 200 OK</status></propstat>"
                              "</response>";
// What goes to the socket at once.
constexpr qsizetype Piece = 64 * 1024;

QByteArray member(int i, const QByteArray& inside = {})
{
    const QByteArray n = QByteArray::number(i);
    return "<response><href>/book/c" + n + ".vcf</href><propstat><prop><getetag>\"" + n + "\"</getetag>" + inside
           + "</prop><status>HTTP/1.1 200 OK</status></propstat></response>";
}

QByteArray escaped(QByteArray text)
{
    return text.replace('&', "&amp;").replace('<', "&lt;");
}

} // namespace

ShapeServer::ShapeServer()
{
    m_listening = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    require(m_listening >= 0 && ::bind(m_listening, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
                && ::listen(m_listening, 8) == 0
                && ::getsockname(m_listening, reinterpret_cast<sockaddr*>(&address), &length) == 0,
            QStringLiteral("the shape server cannot listen"));
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

ShapeServer::~ShapeServer()
{
    m_stopping = true;
    m_thread.join();
    ::close(m_listening);
}

QUrl ShapeServer::addressBook() const
{
    return QUrl(QStringLiteral("http://127.0.0.1:%1/book/").arg(m_port));
}

void ShapeServer::hold(int members, Card card)
{
    const std::lock_guard lock(m_mutex);
    m_shape = {members, std::move(card), 0};
}

void ShapeServer::nest(qint64 bytes)
{
    const std::lock_guard lock(m_mutex);
    m_shape = {0, {}, bytes};
}

void ShapeServer::serve()
{
    while (!m_stopping) {
        pollfd waiting{m_listening, POLLIN, 0};
        if (::poll(&waiting, 1, 100) <= 0)
            continue;
        const int connection = ::accept4(m_listening, nullptr, nullptr, SOCK_CLOEXEC);
        if (connection < 0)
            continue;
        answer(connection);
        ::close(connection);
    }
}

bool ShapeServer::sendAll(int connection, QByteArrayView data)
{
    while (!data.isEmpty()) {
        const ssize_t sent = ::send(connection, data.data(), size_t(data.size()), MSG_NOSIGNAL);
        if (sent <= 0)
            return false;
        data = data.sliced(sent);
    }
    return true;
}

void ShapeServer::answer(int connection)
{
    // The request: its head, then as many bytes as it says it has.
    QByteArray request;
    qsizetype headEnd = -1;
    qsizetype bodyLength = 0;
    char buffer[16 * 1024];
    while (headEnd < 0 || request.size() < headEnd + 4 + bodyLength) {
        const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
        if (got <= 0)
            return;
        request.append(buffer, got);
        if (headEnd < 0 && (headEnd = request.indexOf("\r\n\r\n")) >= 0) {
            for (const QByteArray& line : request.first(headEnd).split('\n')) {
                if (line.toLower().startsWith("content-length:"))
                    bodyLength = line.mid(15).trimmed().toLongLong();
            }
        }
    }
    const bool multiget = request.startsWith("REPORT ") && request.contains("addressbook-multiget");
    if (!request.startsWith("PROPFIND ") && !multiget) {
        sendAll(connection, "HTTP/1.1 405 Method Not Allowed\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
        return;
    }
    Shape shape;
    {
        const std::lock_guard lock(m_mutex);
        shape = m_shape;
    }
    // Its end is where the connection closes.
    QByteArray piece = "HTTP/1.1 207 Multi-Status\r\nContent-Type: application/xml; charset=utf-8\r\n"
                       "Connection: close\r\n\r\n"
                       + Head;
    if (shape.nestedBytes > 0) {
        const QByteArray tags = QByteArray("<prop>").repeated(Piece / 6);
        for (qint64 sent = Head.size(); sent < shape.nestedBytes; sent += tags.size()) {
            if (!sendAll(connection, piece))
                return;
            piece = tags;
        }
        sendAll(connection, piece);
        return;
    }
    const auto send = [&](const QByteArray& response) {
        piece += response;
        if (piece.size() < Piece)
            return true;
        const bool sent = sendAll(connection, piece);
        piece.clear();
        return sent;
    };
    if (multiget) {
        static const QRegularExpression asked(QStringLiteral("/book/c(\\d+)\\.vcf"));
        for (const QRegularExpressionMatch& m : asked.globalMatch(QString::fromLatin1(request.sliced(headEnd)))) {
            const int i = m.captured(1).toInt();
            if (i >= 1 && i <= shape.members
                && !send(member(i, "<C:address-data>" + escaped(shape.card(i)) + "</C:address-data>")))
                return;
        }
    } else {
        piece += Collection;
        for (int i = 1; i <= shape.members; ++i) {
            if (!send(member(i)))
                return;
        }
    }
    sendAll(connection, piece + "</multistatus>");
}
