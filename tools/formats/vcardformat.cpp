#include "tools/formats/vcardformat.h"

#include "tools/formats/folderpath.h"
#include "tools/formats/inputtext.h"
#include "tools/formats/vcard.h"
#include "tools/formats/vcardreader.h"
#include "tools/formats/vcardtext.h"

#include <QBuffer>
#include <QSet>

namespace {

// The kind a number's TYPE parameters give it, the most telling first.
QString kindOfTypes(const VCardProperty& tel)
{
    // Android writes a label of the user's own as a type: TEL;X-Praxis.
    for (const VCardProperty::Parameter& p : tel.parameters()) {
        for (const QString& type : p.name == u"TYPE" ? p.value.split(u',') : QStringList()) {
            if (type.startsWith(u"X-", Qt::CaseInsensitive) && type.size() > 2)
                return type.mid(2).trimmed();
        }
    }
    const QStringList types = tel.types();
    static const QList<QPair<QString, QString>> kinds = {
        {QStringLiteral("FAX"), QStringLiteral("fax")},     {QStringLiteral("CELL"), QStringLiteral("mobile")},
        {QStringLiteral("IPHONE"), QStringLiteral("mobile")}, {QStringLiteral("PAGER"), QStringLiteral("pager")},
        {QStringLiteral("WORK"), QStringLiteral("work")},   {QStringLiteral("HOME"), QStringLiteral("home")},
        {QStringLiteral("MAIN"), QStringLiteral("main")},
    };
    for (const auto& [type, kind] : kinds) {
        if (types.contains(type))
            return kind;
    }
    return QString();
}

// Apple's own labels are written _$!<HomeFAX>!$_; the user's as typed.
QString kindOfLabel(const QString& label)
{
    if (!label.startsWith(u"_$!<") || !label.endsWith(u">!$_"))
        return label.trimmed();
    const QString inner = label.mid(4, label.size() - 8);
    if (inner.endsWith(u"FAX", Qt::CaseInsensitive))
        return QStringLiteral("fax");
    if (inner.compare(u"iPhone", Qt::CaseInsensitive) == 0 || inner.compare(u"Mobile", Qt::CaseInsensitive) == 0)
        return QStringLiteral("mobile");
    return inner.toLower();
}

QString textOf(const VCardProperty* property, bool& guessed)
{
    return property ? property->text(&guessed) : QString();
}

} // namespace

Contact VCardFormat::contact(const VCard& card, ImportReport& report)
{
    Contact contact;
    contact.line = card.line();
    bool guessed = false;
    Contact::Name& name = contact.name;
    name.formatted = textOf(card.first(u"FN"), guessed);
    if (const VCardProperty* n = card.first(u"N")) {
        // family;given;additional;prefix;suffix
        const QStringList parts = n->components(u';', &guessed);
        QString* const field[] = {&name.family, &name.given, &name.middle, &name.prefix, &name.suffix};
        for (qsizetype i = 0; i < parts.size() && i < 5; ++i)
            *field[i] = parts[i];
    }
    if (const VCardProperty* org = card.first(u"ORG"))
        name.organization = org->components(u';', &guessed).first();
    if (const VCardProperty* nickname = card.first(u"NICKNAME"))
        name.nickname = nickname->components(u',', &guessed).first();
    name.email = textOf(card.first(u"EMAIL"), guessed);

    for (const char16_t* kind : {u"KIND", u"X-ADDRESSBOOKSERVER-KIND"}) {
        if (const VCardProperty* p = card.first(kind))
            contact.isFolder = contact.isFolder || p->text().trimmed().compare(u"group", Qt::CaseInsensitive) == 0;
    }
    if (const VCardProperty* categories = card.first(u"CATEGORIES")) {
        for (const QString& category : categories->components(u',', &guessed)) {
            if (!isSystemGroup(category)) {
                contact.folder = FolderPath::parse(category);
                break;
            }
        }
    }
    const QHash<QString, const VCardProperty*> labels = card.byGroup(u"X-ABLABEL");
    for (const VCardProperty* tel : card.all(u"TEL")) {
        const VCardProperty* label = tel->group().isEmpty() ? nullptr : labels.value(tel->group().toLower());
        contact.phones.append({tel->text(&guessed), label ? kindOfLabel(label->text()) : kindOfTypes(*tel),
                               tel->line()});
    }
    if (guessed)
        report.add(ImportReport::Kind::Note, card.line(), name.chosen(),
                   QStringLiteral("text that is not UTF-8 and names no character set, read as Windows-1252"));
    return contact;
}

bool VCardFormat::isSystemGroup(const QString& category)
{
    // Google's: every contact is in the first, a starred one in the second.
    static const QSet<QString> systemGroups = {QStringLiteral("myContacts"), QStringLiteral("starred")};
    return systemGroups.contains(category.trimmed());
}

QByteArray VCardFormat::write(const std::vector<FlatRecord>& records)
{
    QByteArray out;
    for (const FlatRecord& r : records) {
        VCard card;
        card.add(QStringLiteral("VERSION"), QStringLiteral("4.0"));
        if (r.isFolder())
            card.add(QStringLiteral("KIND"), QStringLiteral("group"));
        card.add(QStringLiteral("FN"), VCardText::escaped(r.name));
        if (!r.isFolder())
            card.add(QStringLiteral("TEL"), QString::number(r.tel), {{QStringLiteral("VALUE"), QStringLiteral("text")}});
        card.add(QStringLiteral("CATEGORIES"), VCardText::escaped(FolderPath::format(r.path)));
        out += card.toBytes();
    }
    return out;
}

void VCardFormat::read(QIODevice& device, ImportReport& report, const std::function<void(const Contact&)>& take)
{
    InputText input(device);
    QList<VCardReader::Problem> problems;
    // Said before the card that comes with them.
    const auto sayProblems = [&] {
        for (const VCardReader::Problem& problem : problems)
            report.add(ImportReport::Kind::Note, problem.line, QString(), problem.text);
        problems.clear();
    };
    std::optional<QString> version; // while every card has the same
    bool versions = false;          // cards of more than one
    VCardReader::read(input, &problems, [&](VCard&& card) {
        sayProblems();
        if (const VCardProperty* p = card.first(u"VERSION")) {
            const QString v = p->text().trimmed();
            versions = versions || (version && *version != v);
            version = v;
        }
        if (const std::optional<QString> cap = card.overCap()) {
            ImportReport unsaid;
            report.add(ImportReport::Kind::Skipped, card.line(), contact(card, unsaid).name.chosen(),
                       QStringLiteral("the card has %1").arg(*cap));
            return;
        }
        take(contact(card, report));
    });
    sayProblems();
    report.source = version && !versions ? QStringLiteral("vCard %1").arg(*version) : QStringLiteral("vCard");
}

std::vector<Contact> VCardFormat::read(const QByteArray& data, ImportReport& report)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    std::vector<Contact> contacts;
    read(buffer, report, [&](const Contact& contact) { contacts.push_back(contact); });
    return contacts;
}
