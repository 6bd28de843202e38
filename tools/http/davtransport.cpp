#include "tools/http/davtransport.h"

#include "tools/formats/printable.h"

QString DavTransport::Response::statusText() const
{
    return reason.isEmpty() ? QString::number(status) : QStringLiteral("%1 %2").arg(QString::number(status), reason);
}

DavTransport::DavTransport(const QString& user)
    : m_user(user)
{
}

DavTransport::~DavTransport() = default;

DavTransport::Response DavTransport::send(const Request& request)
{
    return send(std::vector<Request>{request}).front();
}

QString DavTransport::failure(const QByteArray& verb, const QUrl& url, const Response& response) const
{
    const QString where = QStringLiteral("%1 %2").arg(QString::fromLatin1(verb), url.toDisplayString());
    if (response.status == 0)
        return QStringLiteral("%1: %2").arg(where, response.failure);
    QString why;
    if (!response.failure.isEmpty())
        why = response.failure;
    else if (response.status == 401)
        why = m_user.isEmpty() ? QStringLiteral("the server asks for a user name and password; give --user NAME")
                               : QStringLiteral("the server refused the user name %1 or its password").arg(m_user);
    else if (response.status == 403)
        why = QStringLiteral("the server does not let %1 do this").arg(m_user.isEmpty() ? QStringLiteral("anyone") : m_user);
    else if (response.status == 404)
        why = QStringLiteral("there is nothing at this address");
    else if (response.status >= 300 && response.status <= 399 && !response.location.isEmpty())
        why = QStringLiteral("the server sends clients on to %1; use that address if it is the address book")
                  .arg(Printable::text(url.resolved(QUrl(response.location)).toString(QUrl::RemoveUserInfo | QUrl::FullyEncoded)));
    else
        why = QStringLiteral("the server did not do it");
    return QStringLiteral("%1: %2: %3").arg(where, response.statusText(), why);
}
