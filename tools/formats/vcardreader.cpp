#include "tools/formats/vcardreader.h"

#include "tools/formats/formaterror.h"
#include "tools/formats/inputtext.h"

#include <QBuffer>

#include <limits>
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
    Cards(QList<VCardReader::Problem>* problems, const std::function<void(VCard&&)>& take)
        : m_problems(problems)
        , m_take(take)
    {
    }

    void take(const Logical& logical)
    {
        VCardProperty property =
            VCardProperty::read(logical.text, logical.first, logical.last, logical.physical);
        const auto is = [&](QStringView name) {
            return property.name() == name && property.value().trimmed().compare(u"VCARD", Qt::CaseInsensitive) == 0;
        };
        if (is(u"BEGIN")) {
            if (m_open) {
                say(m_open->line(), QStringLiteral("the card that begins here has no END:VCARD; it ends where the "
                                                   "next one begins, on line %1")
                                        .arg(property.line()));
                m_take(std::move(*m_open));
            }
            m_open.emplace(property.line());
            m_outside = false;
        } else if (is(u"END") && m_open) {
            m_take(std::move(*m_open));
            m_open.reset();
        } else if (m_open) {
            m_open->append(std::move(property));
        } else if (!m_outside) {
            // Said once for each stretch of such lines.
            m_outside = true;
            say(property.line(), QStringLiteral("text outside any card, left out"));
        }
    }

    void finish()
    {
        if (m_open) {
            say(m_open->line(), QStringLiteral("the card that begins here has no END:VCARD; it ends at the end "
                                               "of the file"));
            m_take(std::move(*m_open));
        }
    }

private:
    void say(int line, const QString& text)
    {
        if (m_problems)
            m_problems->append({line, text});
    }

    QList<VCardReader::Problem>* m_problems;
    const std::function<void(VCard&&)>& m_take;
    std::optional<VCard> m_open;
    bool m_outside = false;
};

} // namespace

void VCardReader::read(InputText& input, QList<Problem>* problems, const std::function<void(VCard&&)>& take)
{
    Cards cards(problems, take);
    Logical current;
    bool open = false; // whether `current` holds a line
    const auto flush = [&] {
        if (open)
            cards.take(current);
        open = false;
    };
    // Each line of the file is looked at once: a continuation is appended,
    // and whether a line is quoted-printable is read from its name and
    // parameters once, as they are completed.
    for (QByteArrayView line; input.nextLine(line);) {
        while (line.endsWith('\n') || line.endsWith('\r'))
            line.chop(1);
        qsizetype added = 0; // where the text this line adds starts
        if (open && !line.isEmpty() && (line[0] == ' ' || line[0] == '\t')) {
            added = current.text.size();
            current.text += line.sliced(1);
        } else if (open && current.quotedPrintable && current.text.endsWith('=')) {
            current.text.chop(1);
            added = current.text.size();
            current.text += line;
        } else if (line.trimmed().isEmpty()) {
            flush();
            continue;
        } else {
            flush();
            current = Logical{line.toByteArray(), QByteArray(), input.line()};
            open = true;
        }
        if (current.text.size() > input.cap())
            throw FormatError(current.first,
                              QStringLiteral("a property folded over lines %1 to %2 is longer than 1 MB, which no "
                                             "contact file has")
                                  .arg(current.first)
                                  .arg(input.line()));
        current.physical += line;
        current.physical += "\r\n";
        current.last = input.line();
        if (!current.headRead) {
            const qsizetype colon = current.text.indexOf(':', added);
            if (colon >= 0) {
                current.headRead = true;
                current.quotedPrintable =
                    QByteArrayView(current.text).first(colon).toByteArray().toUpper().contains("QUOTED-PRINTABLE");
            }
        }
    }
    flush();
    cards.finish();
}

std::vector<VCard> VCardReader::read(const QByteArray& data, QList<Problem>* problems)
{
    QBuffer buffer;
    buffer.setData(data);
    buffer.open(QIODevice::ReadOnly);
    InputText input(buffer, std::numeric_limits<qsizetype>::max());
    std::vector<VCard> cards;
    read(input, problems, [&](VCard&& card) { cards.push_back(std::move(card)); });
    return cards;
}
