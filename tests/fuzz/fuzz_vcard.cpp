// VCardFormat::read takes any bytes, and the entries made of the cards it
// gives are written and read back the same, but for line breaks: a vCard
// value has one kind, \n, so a CR or CRLF that quoted-printable text brought
// into a name comes back as LF.

#include "fuzzcheck.h"

#include "tools/formats/entrymaker.h"
#include "tools/formats/vcardformat.h"

namespace {

std::vector<FlatRecord> entries(const QByteArray& data)
{
    ImportReport report;
    return EntryMaker::plainEntries(VCardFormat::read(data, report));
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

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const std::vector<FlatRecord> records = entries(fuzzInput(data, size));
    requireRoundTrip("vCard", withOneLineBreak(records), entries(VCardFormat::write(records)));
    return 0;
}
