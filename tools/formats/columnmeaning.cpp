#include "tools/formats/columnmeaning.h"

#include <QHash>
#include <QStringList>

#include <algorithm>
#include <array>
#include <optional>

namespace {

using Part = ColumnMeaning::Part;

// A name is told by the whole header, as its words alone mislead: "E-mail
// Display Name" is no name, "Name Suffix" no family name.
const QHash<QString, Part>& namePhrases()
{
    static const QHash<QString, Part> phrases = [] {
        QHash<QString, Part> h;
        for (const char* p : {"name", "full name", "fullname", "display name", "displayname", "contact",
                              "contact name", "nom complet", "nombre completo", "nome completo", "anzeigename"})
            h.insert(QString::fromUtf8(p), Part::Formatted);
        for (const char* p : {"first name", "firstname", "first", "given name", "givenname", "given", "forename",
                              "vorname", "prénom", "prenom", "nombre", "nome"})
            h.insert(QString::fromUtf8(p), Part::Given);
        for (const char* p : {"middle name", "middlename", "middle", "additional name", "second name",
                              "zweiter vorname", "weitere vornamen"})
            h.insert(QString::fromUtf8(p), Part::Middle);
        for (const char* p : {"last name", "lastname", "last", "surname", "family name", "familyname", "nachname",
                              "familienname", "nom", "nom de famille", "apellido", "apellidos", "cognome"})
            h.insert(QString::fromUtf8(p), Part::Family);
        for (const char* p : {"company", "company name", "organization", "organisation", "organization name",
                              "organisation name", "org", "firma", "firmenname", "unternehmen", "société", "societe",
                              "entreprise", "empresa", "azienda"})
            h.insert(QString::fromUtf8(p), Part::Organization);
        for (const char* p : {"nickname", "nick", "spitzname", "surnom", "apodo", "soprannome"})
            h.insert(QString::fromUtf8(p), Part::Nickname);
        return h;
    }();
    return phrases;
}

struct Stem
{
    QStringView stem;
    QStringView kind; // empty: a telephone of no kind in particular
};

// Parts of words that make a header a telephone's, the most telling kind
// first: a home fax is a fax, a home mobile a mobile. Parts rather than
// words, as German and Scandinavian exports join words ("Mobiltelefon",
// "Faxnummer", "Handynummer").
constexpr std::array<Stem, 17> TelephoneStems{{
    {u"fax", u"fax"},
    {u"télécopie", u"fax"},
    {u"telecopie", u"fax"},
    {u"pager", u"pager"},
    {u"beeper", u"pager"},
    {u"mobil", u"mobile"},
    {u"móvil", u"mobile"},
    {u"movil", u"mobile"},
    {u"cell", u"mobile"},
    {u"celular", u"mobile"},
    {u"handy", u"mobile"},
    {u"natel", u"mobile"},
    {u"phone", u""}, // telephone, téléphone, iPhone
    {u"telefon", u""},
    {u"teléfon", u""},
    {u"telefoon", u""},
    {u"rufnummer", u""},
}};

// Whole words that do the same, too short or too common to be looked for
// inside others.
bool isTelephoneWord(const QString& word)
{
    return word == u"tel" || word == u"tél" || word == u"portable" || word == u"gsm";
}

// Words that say where a telephone is, or that it is one more.
QString placeKind(const QString& word)
{
    static const QHash<QString, QString> places = [] {
        QHash<QString, QString> h;
        for (const char* w : {"home", "private", "privat", "personal", "casa", "domicile", "maison", "personnel",
                              "particulier", "particular", "hogar", "zuhause", "residence", "abitazione"})
            h.insert(QString::fromUtf8(w), QStringLiteral("home"));
        for (const char* w : {"work", "business", "office", "geschäftlich", "geschaeftlich", "dienstlich", "büro",
                              "buero", "arbeit", "firma", "travail", "bureau", "professionnel", "trabajo", "oficina",
                              "lavoro", "ufficio"})
            h.insert(QString::fromUtf8(w), QStringLiteral("work"));
        for (const char* w : {"main", "primary", "zentrale", "principal", "principale"})
            h.insert(QString::fromUtf8(w), QStringLiteral("main"));
        for (const char* w : {"other", "weiteres", "weitere", "andere", "anderes", "sonstige", "autre", "otro",
                              "altro"})
            h.insert(QString::fromUtf8(w), QStringLiteral("other"));
        return h;
    }();
    return places.value(word);
}

// Words that say nothing of a telephone's kind.
bool isFiller(const QString& word)
{
    static const QStringList fillers = {"number", "nummer", "no", "nr", "num", "numéro", "numero", "número",
                                        "value", "valeur", "wert", "valor", "valore", "de", "du", "di", "del",
                                        "für", "pour", "para", "per"};
    return fillers.contains(word)
           || std::all_of(word.begin(), word.end(), [](QChar c) { return c.isDigit(); });
}

// A header that names a telephone's type or label, an e-mail address or how
// a name sounds, rather than a number: "Phone 1 - Type", Google's French
// "Téléphone 1 - Libellé", "Mobile E-mail", Google's "Phonetic First Name".
bool namesNoNumber(const QString& word)
{
    static const QStringList words = {"type", "typ", "tipo", "label", "libellé", "libelle", "etiqueta", "etichetta",
                                      "bezeichnung", "kind", "mail", "email"};
    return words.contains(word) || word.startsWith(u"phonet");
}

QStringList wordsOf(const QString& lower)
{
    QStringList words{QString()};
    for (const QChar c : lower) {
        if (c.isLetterOrNumber() || c == u'\'')
            words.last() += c;
        else if (!words.last().isEmpty())
            words.append(QString());
    }
    if (words.last().isEmpty())
        words.removeLast();
    for (QString& w : words) {
        if (w.endsWith(u"'s"))
            w.chop(2); // Outlook's "Assistant's Phone"
        w.remove(u'\'');
    }
    return words;
}

} // namespace

ColumnMeaning ColumnMeaning::of(const QString& header)
{
    const QString lower = header.trimmed().toLower();
    const QStringList words = wordsOf(lower);
    if (const auto name = namePhrases().constFind(words.join(u' ')); name != namePhrases().constEnd())
        return {*name, QString()};
    // A number alone in a file of contacts is a telephone's, though "ID
    // Number" is none.
    static const QStringList numberAlone = {"number", "nummer", "numéro", "numero", "número"};
    if (words.size() == 1 && numberAlone.contains(words.front()))
        return {Part::Telephone, QString()};

    bool telephone = false;
    std::optional<size_t> stemKind; // the index of the most telling stem met
    QString place;
    QStringList rest;
    for (const QString& word : words) {
        if (namesNoNumber(word))
            return {};
        bool telling = isTelephoneWord(word);
        for (size_t s = 0; s < TelephoneStems.size(); ++s) {
            if (word.contains(TelephoneStems[s].stem)) {
                telling = true;
                if (!TelephoneStems[s].kind.isEmpty() && (!stemKind || s < *stemKind))
                    stemKind = s;
            }
        }
        telephone = telephone || telling;
        if (telling)
            continue;
        if (const QString kind = placeKind(word); !kind.isEmpty()) {
            if (place.isEmpty())
                place = kind;
        } else if (!isFiller(word)) {
            rest.append(word);
        }
    }
    if (!telephone)
        return {};
    if (stemKind)
        return {Part::Telephone, TelephoneStems[*stemKind].kind.toString()};
    if (!place.isEmpty())
        return {Part::Telephone, place};
    // The kind goes into the name of every entry of the column: a header's
    // sentence, up to a whole line, would make each as long.
    const QString own = rest.join(u' ');
    return {Part::Telephone, rest.size() <= 3 && own.size() <= 32 ? own : QString()};
}
