#include "tools/formats/contact.h"

QString Contact::Name::chosen() const
{
    if (!formatted.trimmed().isEmpty())
        return formatted;
    QStringList parts;
    for (const QString* part : {&prefix, &given, &middle, &family, &suffix}) {
        if (!part->trimmed().isEmpty())
            parts.append(part->trimmed());
    }
    if (!parts.isEmpty())
        return parts.join(u' ');
    for (const QString* other : {&organization, &nickname, &email}) {
        if (!other->trimmed().isEmpty())
            return other->trimmed();
    }
    return QString();
}
