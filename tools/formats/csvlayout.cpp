#include "tools/formats/csvlayout.h"

#include "tools/formats/csvformat.h"
#include "tools/formats/folderpath.h"
#include "tools/formats/numberreader.h"

#include <QRegularExpression>

#include <algorithm>
#include <numeric>

namespace {

// Google joins several values of one cell with " ::: ".
const QString GoogleSeparator = QStringLiteral(" ::: ");

struct Named
{
    const char* column;
    const char* kind;
};

// The columns of numbers each program writes, with the kind each gives.
const Named OutlookPhones[] = {
    {"primary phone", "main"},      {"mobile phone", "mobile"},    {"home phone", "home"},
    {"home phone 2", "home"},       {"business phone", "work"},    {"business phone 2", "work"},
    {"company main phone", "main"}, {"assistant's phone", "assistant"}, {"car phone", "car"},
    {"callback", "callback"},       {"radio phone", "radio"},      {"isdn", "ISDN"},
    {"tty/tdd phone", "TTY/TDD"},   {"telex", "telex"},            {"pager", "pager"},
    {"business fax", "fax"},        {"home fax", "fax"},           {"other fax", "fax"},
    {"other phone", "other"},
};
const Named ThunderbirdPhones[] = {
    {"work phone", "work"}, {"home phone", "home"}, {"mobile number", "mobile"},
    {"fax number", "fax"},  {"pager number", "pager"},
};

// Google's labels as the kinds the other sources use; its own labels as typed.
QString googleKind(QString label)
{
    label = label.trimmed();
    if (label.startsWith(u"* "))
        label = label.mid(2); // the primary one
    if (label.endsWith(u"fax", Qt::CaseInsensitive))
        return QStringLiteral("fax");
    static const QStringList known = {QStringLiteral("mobile"), QStringLiteral("home"),  QStringLiteral("work"),
                                      QStringLiteral("main"),   QStringLiteral("pager"), QStringLiteral("other")};
    return known.contains(label.toLower()) ? label.toLower() : label;
}

// A number cell as a spreadsheet may hold it: ="5550111" or '5550111.
QString numberCell(QString text)
{
    if (text.startsWith(QStringLiteral("=\"")) && text.endsWith(u'"') && text.size() >= 3)
        return text.mid(2, text.size() - 3);
    if (text.startsWith(u'\''))
        return text.mid(1);
    return text;
}

// For telling columns apart by content: digits, and more of them than
// anything but formatting.
bool looksLikeNumber(const QString& cell)
{
    const QString text = numberCell(cell);
    int digits = 0, others = 0;
    for (const QChar c : text) {
        if (c.isDigit())
            ++digits;
        else if (!c.isSpace() && c != u'+' && c != u'-' && c != u'(' && c != u')' && c != u'.' && c != u'/')
            ++others;
    }
    return digits > others;
}

} // namespace

CsvLayout::CsvLayout(Kind kind, qsizetype width)
    : m_kind(kind)
    , m_width(width)
{
}

QString CsvLayout::describe(Kind kind)
{
    switch (kind) {
    case Kind::Quorvelin:
        return QStringLiteral("path,name,tel CSV");
    case Kind::Google:
        return QStringLiteral("Google Contacts CSV");
    case Kind::GoogleOlder:
        return QStringLiteral("Google Contacts CSV (older)");
    case Kind::Outlook:
        return QStringLiteral("Outlook CSV");
    case Kind::Thunderbird:
        return QStringLiteral("Thunderbird CSV");
    case Kind::NameNumber:
        return QStringLiteral("name and number CSV");
    case Kind::Named:
        return QStringLiteral("CSV read by its column names");
    }
    return QString();
}

std::optional<CsvLayout> CsvLayout::fromHeader(const QStringList& header, std::optional<Kind> wanted)
{
    QStringList names;
    // Each name's first column, found without a search of the row for each
    // name a layout looks for: a row may hold many thousands.
    Columns columns;
    std::vector<ColumnMeaning> meanings;
    meanings.reserve(size_t(header.size()));
    bool telephone = false;
    // A row holding a number is no header, even where a name in it holds a
    // telephone's word ("/,Phone Shop,5550101").
    bool number = false;
    for (const QString& h : header) {
        names.append(h.trimmed().toLower());
        columns.try_emplace(names.last(), int(names.size() - 1));
        meanings.push_back(ColumnMeaning::of(h));
        telephone = telephone || meanings.back().part == ColumnMeaning::Part::Telephone;
        number = number || NumberReader::typedDigits(numberCell(h)).has_value();
    }
    static const QRegularExpression googlePhone(QStringLiteral(R"(^phone \d+ - value$)"));
    static const QRegularExpression olderGoogle(QStringLiteral(R"(^(given name|group membership|phone \d+ - type)$)"));
    const auto has = [&](const char* name) { return columns.contains(QLatin1String(name)); };
    const auto hasAny = [&](const auto& list) {
        for (const Named& n : list) {
            if (has(n.column))
                return true;
        }
        return false;
    };
    static const QStringList nameWords = {QStringLiteral("name"), QStringLiteral("full name"),
                                          QStringLiteral("display name"), QStringLiteral("contact")};
    static const QStringList numberWords = {QStringLiteral("tel"), QStringLiteral("telephone"),
                                            QStringLiteral("phone"), QStringLiteral("number"),
                                            QStringLiteral("phone number"), QStringLiteral("mobile")};

    const auto isName = [&](int c) {
        return nameWords.contains(names[c]) || meanings[c].part == ColumnMeaning::Part::Formatted;
    };
    const auto isNumber = [&](int c) {
        return numberWords.contains(names[c]) || meanings[c].part == ColumnMeaning::Part::Telephone;
    };
    std::optional<Kind> kind;
    if (has("path") && has("name") && has("tel"))
        kind = Kind::Quorvelin;
    else if (names.indexOf(googlePhone) >= 0)
        kind = names.indexOf(olderGoogle) >= 0 ? Kind::GoogleOlder : Kind::Google;
    else if (hasAny(ThunderbirdPhones) && (has("display name") || has("primary email") || has("mobile number")))
        kind = Kind::Thunderbird;
    else if (hasAny(OutlookPhones))
        kind = Kind::Outlook;
    else if (names.size() == 2 && !number && ((isName(0) && isNumber(1)) || (isNumber(0) && isName(1))))
        kind = Kind::NameNumber;
    else if (telephone && !number)
        kind = Kind::Named;
    if (wanted && (*wanted == Kind::Google || *wanted == Kind::GoogleOlder) && kind
        && (*kind == Kind::Google || *kind == Kind::GoogleOlder))
        wanted = kind; // one forced name for both
    if (!kind || (wanted && *wanted != *kind))
        return std::nullopt;

    CsvLayout layout(*kind, header.size());
    if (*kind == Kind::NameNumber) {
        const bool numberFirst = isNumber(0);
        layout.m_formatted = numberFirst ? 1 : 0;
        layout.m_phones.append({numberFirst ? 0 : 1, -1, QString()});
        return layout;
    }
    layout.mapHeader(names, columns);
    if (*kind != Kind::Quorvelin)
        layout.mapByMeaning(meanings);
    layout.m_byColumn.resize(size_t(layout.m_phones.size()));
    std::iota(layout.m_byColumn.begin(), layout.m_byColumn.end(), 0);
    std::stable_sort(layout.m_byColumn.begin(), layout.m_byColumn.end(),
                     [&](qsizetype a, qsizetype b) { return layout.m_phones[a].value < layout.m_phones[b].value; });
    return layout;
}

void CsvLayout::mapHeader(const QStringList& names, const Columns& columns)
{
    const auto column = [&](std::initializer_list<const char*> candidates) {
        for (const char* name : candidates) {
            if (const auto found = columns.find(QLatin1String(name)); found != columns.end())
                return found->second;
        }
        return -1;
    };
    switch (m_kind) {
    case Kind::Quorvelin:
        m_path = column({"path"});
        m_formatted = column({"name"});
        m_phones.append({column({"tel"}), -1, QString()});
        return;
    case Kind::Google:
    case Kind::GoogleOlder:
        m_formatted = column({"name"});
        m_prefix = column({"name prefix"});
        m_given = column({"first name", "given name"});
        m_middle = column({"middle name", "additional name"});
        m_family = column({"last name", "family name"});
        m_suffix = column({"name suffix"});
        m_nickname = column({"nickname"});
        m_organization = column({"organization name", "organization 1 - name"});
        m_email = column({"e-mail 1 - value"});
        m_groups = column({"labels", "group membership"});
        for (qsizetype i = 0; i < names.size(); ++i) {
            static const QRegularExpression value(QStringLiteral(R"(^phone (\d+) - value$)"));
            const auto m = value.match(names[i]);
            if (m.hasMatch()) {
                const QByteArray label = "phone " + m.captured(1).toLatin1() + " - label";
                const QByteArray type = "phone " + m.captured(1).toLatin1() + " - type";
                m_phones.append({int(i), column({label.constData(), type.constData()}), QString()});
            }
        }
        return;
    case Kind::Outlook:
        m_prefix = column({"title"});
        m_given = column({"first name"});
        m_middle = column({"middle name"});
        m_family = column({"last name"});
        m_suffix = column({"suffix"});
        m_organization = column({"company"});
        m_email = column({"e-mail address"});
        m_groups = column({"categories"});
        for (const Named& n : OutlookPhones) {
            if (const int c = column({n.column}); c >= 0)
                m_phones.append({c, -1, QString::fromLatin1(n.kind)});
        }
        return;
    case Kind::Thunderbird:
        m_formatted = column({"display name"});
        m_given = column({"first name"});
        m_family = column({"last name"});
        m_nickname = column({"nickname"});
        m_organization = column({"organization"});
        m_email = column({"primary email"});
        for (const Named& n : ThunderbirdPhones) {
            if (const int c = column({n.column}); c >= 0)
                m_phones.append({c, -1, QString::fromLatin1(n.kind)});
        }
        return;
    case Kind::NameNumber:
    case Kind::Named:
        return;
    }
}

void CsvLayout::mapByMeaning(const std::vector<ColumnMeaning>& meanings)
{
    using Part = ColumnMeaning::Part;
    std::vector<bool> read = readColumns();
    const std::pair<Part, int*> names[] = {{Part::Formatted, &m_formatted}, {Part::Given, &m_given},
                                           {Part::Middle, &m_middle},       {Part::Family, &m_family},
                                           {Part::Organization, &m_organization}, {Part::Nickname, &m_nickname}};
    for (size_t c = 0; c < meanings.size(); ++c) {
        if (read[c])
            continue;
        const ColumnMeaning& meaning = meanings[c];
        if (meaning.part == Part::Telephone) {
            m_phones.append({int(c), -1, meaning.kind});
            continue;
        }
        for (const auto& [part, column] : names) {
            if (meaning.part == part && *column < 0)
                *column = int(c);
        }
    }
}

bool CsvLayout::holdsTelephone(const QString& cell)
{
    const std::optional<QString> digits = NumberReader::typedDigits(numberCell(cell));
    return digits && digits->size() >= 7;
}

std::vector<bool> CsvLayout::readColumns() const
{
    std::vector<bool> read(static_cast<size_t>(m_width));
    for (const int c : {m_path, m_formatted, m_prefix, m_given, m_middle, m_family, m_suffix, m_organization,
                        m_nickname, m_email, m_groups}) {
        if (c >= 0)
            read[size_t(c)] = true;
    }
    for (const Phone& phone : m_phones) {
        read[size_t(phone.value)] = true;
        if (phone.kindColumn >= 0)
            read[size_t(phone.kindColumn)] = true;
    }
    return read;
}

bool CsvLayout::mayTellByContent(qsizetype width, std::optional<Kind> wanted)
{
    if (wanted == Kind::Quorvelin)
        return width == 3;
    if (wanted == Kind::NameNumber)
        return width == 2;
    return !wanted && (width == 2 || width == 3);
}

std::optional<CsvLayout> CsvLayout::fromContent(const std::vector<CsvReader::Record>& records,
                                                std::optional<Kind> wanted)
{
    if (records.empty() || !mayTellByContent(records.front().fields.size(), wanted))
        return std::nullopt;
    const qsizetype width = records.front().fields.size();
    if (wanted == Kind::Quorvelin) {
        CsvLayout layout(Kind::Quorvelin, 3);
        layout.m_path = 0;
        layout.m_formatted = 1;
        layout.m_phones.append({2, -1, QString()});
        return layout;
    }
    // What each column holds, counted over the well-formed rows after the
    // first, which may be a header.
    std::vector<int> numbers(width), paths(width);
    for (size_t r = 1; r < records.size(); ++r) {
        const CsvReader::Record& record = records[r];
        if (record.fields.size() != width || !record.problem.isEmpty())
            continue;
        for (qsizetype c = 0; c < width; ++c) {
            const QString& cell = record.fields[c];
            numbers[c] += looksLikeNumber(cell);
            paths[c] += cell.startsWith(u'/');
        }
    }
    const bool oneRow = records.size() == 1;
    if (oneRow) {
        // Nothing to count but the row itself.
        for (qsizetype c = 0; c < width; ++c) {
            numbers[c] = looksLikeNumber(records.front().fields[c]);
            paths[c] = records.front().fields[c].startsWith(u'/');
        }
    }
    // The one column holding the most, if any holds some.
    const auto column = [&](const std::vector<int>& counts, int other) {
        int found = -1;
        bool tied = false;
        for (qsizetype c = 0; c < width; ++c) {
            if (c == other || counts[c] == 0)
                continue;
            if (found < 0 || counts[c] > counts[found]) {
                found = int(c);
                tied = false;
            } else if (counts[c] == counts[found]) {
                tied = true;
            }
        }
        return tied ? -1 : found;
    };
    const int number = column(numbers, -1);
    if (number < 0)
        return std::nullopt;
    CsvLayout layout(width == 3 ? Kind::Quorvelin : Kind::NameNumber, width);
    if (width == 3) {
        const int path = column(paths, number);
        if (path < 0)
            return std::nullopt;
        layout.m_path = path;
        layout.m_formatted = 3 - path - number;
    } else {
        layout.m_formatted = 1 - number;
    }
    layout.m_phones.append({number, -1, QString()});
    layout.m_skipsFirst = !oneRow && !looksLikeNumber(records.front().fields.value(number));
    return layout;
}

Contact CsvLayout::contact(const CsvReader::Record& record) const
{
    const auto cell = [&](int column) { return column >= 0 ? record.fields.value(column) : QString(); };
    Contact contact;
    contact.line = record.line;
    Contact::Name& name = contact.name;
    name.formatted = cell(m_formatted);
    name.prefix = cell(m_prefix);
    name.given = cell(m_given);
    name.middle = cell(m_middle);
    name.family = cell(m_family);
    name.suffix = cell(m_suffix);
    name.organization = cell(m_organization);
    name.nickname = cell(m_nickname);
    name.email = cell(m_email).section(GoogleSeparator, 0, 0);
    const bool google = m_kind == Kind::Google || m_kind == Kind::GoogleOlder;
    if (m_kind == Kind::Quorvelin) {
        // The tool's own columns, as export writes them.
        contact.exactName = true;
        name.formatted = CsvFormat::unguarded(name.formatted);
        contact.folder = FolderPath::parse(CsvFormat::unguarded(cell(m_path)));
        const QString tel = numberCell(cell(m_phones.front().value));
        contact.isFolder = tel.trimmed().isEmpty();
        if (!contact.isFolder)
            contact.phones.append({tel, QString(), record.line});
        return contact;
    }
    if (m_groups >= 0) {
        // Google's system groups start "* "; Outlook separates categories with ';'.
        const QStringList groups = google ? cell(m_groups).split(GoogleSeparator) : cell(m_groups).split(u';');
        for (const QString& group : groups) {
            if (!group.trimmed().isEmpty() && !(google && group.trimmed().startsWith(u"* "))) {
                contact.folder = QStringList{group.trimmed()};
                break;
            }
        }
    }
    const auto read = [&](const Phone& phone) {
        const QString kind = phone.kindColumn >= 0 ? googleKind(cell(phone.kindColumn)) : phone.kind;
        const QString value = numberCell(cell(phone.value));
        for (const QString& one : google ? value.split(GoogleSeparator) : QStringList{value})
            contact.phones.append({one, kind, record.line});
    };
    if (m_phones.size() <= record.fields.size()) {
        for (const Phone& phone : m_phones)
            read(phone);
        return contact;
    }
    // A short row under a header of many telephone columns: it costs what
    // the columns it has hold, not every column the header names.
    const qsizetype fields = record.fields.size();
    const auto end = std::partition_point(m_byColumn.begin(), m_byColumn.end(),
                                          [&](qsizetype i) { return m_phones[i].value < fields; });
    std::vector<qsizetype> present(m_byColumn.begin(), end);
    std::sort(present.begin(), present.end());
    for (const qsizetype i : present)
        read(m_phones[i]);
    return contact;
}
