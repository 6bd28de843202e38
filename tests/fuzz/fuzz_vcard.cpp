// VCardFormat::read takes any bytes, the same whether the file is read from
// disk or comes a few bytes at a time from a pipe, and the entries made of
// the cards it gives are written and read back the same, but for line
// breaks: a vCard value has one kind, \n, so a CR or CRLF that
// quoted-printable text brought into a name comes back as LF.
//
// The same bytes are also a card as a server sends it, which sync reads
// with ContactFields whole, with no cap on a line: a card it can take reads
// the same once written back as it would send it.

#include "fuzzcheck.h"

#include "tools/formats/contactfields.h"
#include "tools/formats/vcardformat.h"

namespace {

void readFile(QIODevice& device, ImportReport& report, const TakeContact& take)
{
    VCardFormat::read(device, report, take);
}

QString oneLineBreak(QString text)
{
    return text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
}

std::vector<FlatRecord> withOneLineBreak(std::vector<FlatRecord> records)
{
    for (FlatRecord& r : records) {
        r.name = oneLineBreak(r.name);
        for (QString& folder : r.path)
            folder = oneLineBreak(folder);
    }
    return records;
}

} // namespace

QDebug operator<<(QDebug debug, const CardReading& reading)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "{" << reading.uid << ", " << reading.name << ", " << reading.categories << ", "
                    << reading.unfit;
    for (const CardReading::Number& n : reading.numbers)
        debug << ", {" << n.digits.value_or(-1) << ", " << n.kind << ", " << n.text << "}";
    debug << "}";
    return debug;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input = fuzzInput(data, size);
    const Imported file = importedBothWays("vCard", input, readFile);
    if (file.refused.isEmpty())
        requireRoundTrip("vCard", withOneLineBreak(file.entries), VCardFormat::write(file.entries), readFile);

    // A region, so that numbers are read as sync reads them with --region.
    const QString region = QStringLiteral("DE");
    const ContactFields card(QString::fromUtf8(input), region);
    card.entryNames();
    card.folder();
    if (card.reading().unfit.isEmpty())
        requireSame("server's card", "written back reads differently", card.reading(),
                    ContactFields(QString::fromUtf8(card.text()), region).reading());
    return 0;
}
