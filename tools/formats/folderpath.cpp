#include "tools/formats/folderpath.h"

namespace {
const QString EmptyName = QStringLiteral("\\e");
}

QString FolderPath::format(const QStringList& names)
{
    if (names.isEmpty())
        return QStringLiteral("/");
    QString text;
    for (const QString& name : names) {
        text += u'/';
        if (name.isEmpty()) {
            text += EmptyName;
            continue;
        }
        for (const QChar c : name) {
            if (c == u'\\' || c == u'/')
                text += u'\\';
            text += c;
        }
    }
    return text;
}

QStringList FolderPath::parse(QStringView text)
{
    QStringList names;
    QString name;
    QString raw; // the step as written, to tell "\e" from a name spelled so
    auto finish = [&] {
        if (raw == EmptyName)
            names.append(QString());
        else if (!raw.isEmpty())
            names.append(name);
        name.clear();
        raw.clear();
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text[i];
        if (c == u'/') {
            finish();
        } else if (c == u'\\' && i + 1 < text.size()) {
            const QChar next = text[++i];
            raw += c;
            raw += next;
            // Only the two characters the writer escapes lose their
            // backslash: "C:\x" typed by hand stays as typed.
            if (next != u'\\' && next != u'/')
                name += c;
            name += next;
        } else {
            raw += c;
            name += c;
        }
    }
    finish();
    return names;
}
