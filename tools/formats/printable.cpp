#include "tools/formats/printable.h"

QString Printable::text(QStringView text, Layout layout)
{
    QString shown;
    shown.reserve(text.size());
    for (const QChar c : text) {
        const char16_t u = c.unicode();
        const bool layoutKept = layout == Layout::Lines && (u == u'\n' || u == u'\t');
        if ((u < 0x20 && !layoutKept) || (u >= 0x7F && u <= 0x9F))
            shown += QString::asprintf("\\x%02X", unsigned(u));
        else if ((u >= 0x202A && u <= 0x202E) || (u >= 0x2066 && u <= 0x2069))
            shown += QString::asprintf("\\u%04X", unsigned(u));
        else
            shown += c;
    }
    return shown;
}
