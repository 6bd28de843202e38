#include "tools/formats/vcardreader.h"

#include "tools/formats/inputtext.h"

#include <optional>

namespace {

// A logical line being put together from the file's lines.
struct Logical
{
    QByteArray text;
    QByteArray physical;
    int first = 0;
    int last = 0;
    bool headRead = false;
    bool quotedPrintable = false;
};

class Cards
{
public:
    explicit Cards(QList<VCardReader::Problem>* problems)
        : m_problems(problems)
    {
    }

    void take(const Logical& logical)
    {
        const VCardProperty property =
            VCardProperty::read(logical.text, logical.first, logical.last, logical.physical);
        const auto is = [&](QStringView name) {
            return property.name() == name && property.value().trimmed().compare(u"VCARD", Qt::CaseInsensitive) == 0;
        };
        if (is(u"BEGIN")) {
            if (m_open) {
                say(m_open->line(), QStringLiteral("the card that begins here has no END:VCARD; it ends where the "
                                                   "next one begins, on line %1")
                                        .arg(property.line()));
                m_cards.push_back(std::move(*m_open));
            }
            m_open.emplace(property.line());
            m_outside = false;
        } else if (is(u"END") && m_open) {
            m_cards.push_back(std::move(*m_open));
            m_open.reset();
        } else if (m_open) {
            m_open->properties().push_back(property);
        } else if (!m_outside) {
            // Said once for each stretch of such lines.
            m_outside = true;
            say(property.line(), QStringLiteral("text outside any card, left out"));
        }
    }

    std::vector<VCard> finish()
    {
        if (m_open) {
            say(m_open->line(), QStringLiteral("the card that begins here has no END:VCARD; it ends at the end "
                                               "of the file"));
            m_cards.push_back(std::move(*m_open));
        }
        return std::move(m_cards);
    }

private:
    void say(int line, const QString& text)
    {
        if (m_problems)
            m_problems->append({line, text});
    }

    QList<VCardReader::Problem>* m_problems;
    std::vector<VCard> m_cards;
    std::optional<VCard> m_open;
    bool m_outside = false;
};

} // namespace

std::vector<VCard> VCardReader::read(const QByteArray& data, QList<Problem>* problems)
{
    const QByteArray bytes = InputText::utf8Bytes(data);
    Cards cards(problems);
    std::optional<Logical> current;
    const auto flush = [&] {
        if (current)
            cards.take(*current);
        current.reset();
    };
    // Each line of the file is looked at once: a continuation is appended,
    // and whether a line is quoted-printable is read from its name and
    // parameters once, as they are completed.
    int number = 0;
    for (qsizetype start = 0; start < bytes.size();) {
        qsizetype end = start;
        while (end < bytes.size() && bytes[end] != '\n' && bytes[end] != '\r')
            ++end;
        const QByteArrayView line = QByteArrayView(bytes).sliced(start, end - start);
        ++number;
        if (end < bytes.size() && bytes[end] == '\r' && end + 1 < bytes.size() && bytes[end + 1] == '\n')
            start = end + 2;
        else if (end < bytes.size() && bytes[end] == '\r' && end + 2 < bytes.size() && bytes[end + 1] == '\r'
                 && bytes[end + 2] == '\n')
            start = end + 3; // CR CR LF, one line end
        else
            start = end + 1;

        qsizetype added = 0; // where the text this line adds starts
        if (current && !line.isEmpty() && (line[0] == ' ' || line[0] == '\t')) {
            added = current->text.size();
            current->text += line.sliced(1);
        } else if (current && current->quotedPrintable && current->text.endsWith('=')) {
            current->text.chop(1);
            added = current->text.size();
            current->text += line;
        } else if (line.trimmed().isEmpty()) {
            flush();
            continue;
        } else {
            flush();
            current.emplace();
            current->text = line.toByteArray();
            current->first = number;
        }
        current->physical += line;
        current->physical += "\r\n";
        current->last = number;
        if (!current->headRead) {
            const qsizetype colon = current->text.indexOf(':', added);
            if (colon >= 0) {
                current->headRead = true;
                current->quotedPrintable =
                    QByteArrayView(current->text).first(colon).toByteArray().toUpper().contains("QUOTED-PRINTABLE");
            }
        }
    }
    flush();
    return cards.finish();
}
