#include "tools/formats/vcardformat.h"

#include "tools/formats/folderpath.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/phonenumber.h"
#include "tools/formats/utf8text.h"
#include "tools/formats/vcardtext.h"

#include <optional>

namespace {

using Line = VCardText::Line;

struct Card
{
    int begin = 0;
    std::optional<QString> fn;
    std::optional<QString> n;
    std::optional<QString> categories;
    bool group = false;
    QList<Line> tels;
};

void requireReadable(const Line& line)
{
    const QString encoding = line.param(QStringLiteral("UNREADABLE"));
    if (!encoding.isEmpty())
        throw FormatError(line.number, QStringLiteral("%1 in encoding %2 cannot be read").arg(line.name, encoding));
}

QString nameOf(const Card& card)
{
    if (card.fn)
        return VCardText::unescaped(*card.fn);
    if (card.n) {
        // family;given;additional;prefix;suffix, shown as people write a name
        const QStringList parts = VCardText::split(*card.n, u';');
        QStringList shown;
        for (const int i : {3, 1, 2, 0, 4}) {
            if (i < parts.size() && !parts[i].trimmed().isEmpty())
                shown.append(VCardText::unescaped(parts[i]).trimmed());
        }
        if (!shown.isEmpty())
            return shown.join(u' ');
    }
    throw FormatError(card.begin, QStringLiteral("a card without a name (FN or N)"));
}

qint64 telOf(const Line& line)
{
    QString value = line.value.trimmed();
    if (value.startsWith(QStringLiteral("tel:"), Qt::CaseInsensitive)) {
        value = value.mid(4);
        value = value.left(value.indexOf(u';') < 0 ? value.size() : value.indexOf(u';'));
    }
    const auto number = PhoneNumber::value(value);
    if (!number)
        throw FormatError(line.number,
                          QStringLiteral("\"%1\" is not a telephone number (digits, with spaces, dashes, dots, "
                                         "brackets or a leading + between them)")
                              .arg(line.value));
    return *number;
}

void finish(const Card& card, std::vector<FlatRecord>& records, QStringList* warnings)
{
    const QString name = nameOf(card);
    QStringList path;
    if (card.categories)
        path = FolderPath::parse(VCardText::unescaped(VCardText::split(*card.categories, u',').first()));
    if (card.group) {
        records.push_back({path, name, 0, card.begin});
        return;
    }
    if (card.tels.isEmpty()) {
        if (warnings)
            warnings->append(QStringLiteral("line %1: \"%2\" has no telephone number; skipped")
                                 .arg(card.begin)
                                 .arg(name));
        return;
    }
    for (const Line& tel : card.tels)
        records.push_back({path, name, telOf(tel), tel.number});
}

} // namespace

QByteArray VCardFormat::write(const std::vector<FlatRecord>& records)
{
    QByteArray out;
    for (const FlatRecord& r : records) {
        out += "BEGIN:VCARD\r\nVERSION:4.0\r\n";
        if (r.isFolder())
            out += "KIND:group\r\n";
        out += VCardText::folded(QStringLiteral("FN:") + VCardText::escaped(r.name));
        if (!r.isFolder())
            out += VCardText::folded(QStringLiteral("TEL;VALUE=text:%1").arg(r.tel));
        out += VCardText::folded(QStringLiteral("CATEGORIES:") + VCardText::escaped(FolderPath::format(r.path)));
        out += "END:VCARD\r\n";
    }
    return out;
}

std::vector<FlatRecord> VCardFormat::read(const QByteArray& data, QStringList* warnings)
{
    std::vector<FlatRecord> records;
    std::optional<Card> card;
    for (const auto& [number, content] : VCardText::unfolded(Utf8Text::decode(data))) {
        const Line line = VCardText::parse(content, number);
        const bool begin = line.name == u"BEGIN" && line.value.trimmed().compare(u"VCARD", Qt::CaseInsensitive) == 0;
        const bool end = line.name == u"END" && line.value.trimmed().compare(u"VCARD", Qt::CaseInsensitive) == 0;
        if (!card) {
            if (!begin)
                throw FormatError(number, QStringLiteral("a line outside BEGIN:VCARD ... END:VCARD"));
            card = Card{number, {}, {}, {}, false, {}};
            continue;
        }
        if (begin)
            throw FormatError(number, QStringLiteral("BEGIN:VCARD inside the card that began on line %1")
                                          .arg(card->begin));
        if (end) {
            finish(*card, records, warnings);
            card.reset();
            continue;
        }
        if (line.name == u"FN" && !card->fn) {
            requireReadable(line);
            card->fn = line.value;
        } else if (line.name == u"N" && !card->n) {
            requireReadable(line);
            card->n = line.value;
        } else if (line.name == u"CATEGORIES" && !card->categories) {
            requireReadable(line);
            card->categories = line.value;
        } else if (line.name == u"KIND") {
            card->group = line.value.trimmed().compare(u"group", Qt::CaseInsensitive) == 0;
        } else if (line.name == u"TEL") {
            requireReadable(line);
            card->tels.append(line);
        }
    }
    if (card)
        throw FormatError(card->begin, QStringLiteral("the card that begins here has no END:VCARD"));
    return records;
}
