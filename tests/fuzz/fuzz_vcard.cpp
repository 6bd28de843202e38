// VCardFormat::read on any bytes gives records or a FormatError, and records
// it gives are written and read back the same, but for line breaks: a vCard
// value has one kind, \n, so a CR or CRLF that quoted-printable text brought
// into a name comes back as LF.

#include "fuzzcheck.h"

#include "tools/formats/formaterror.h"
#include "tools/formats/vcardformat.h"

namespace {

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
    std::vector<FlatRecord> records;
    QStringList warnings;
    try {
        records = VCardFormat::read(fuzzInput(data, size), &warnings);
    } catch (const FormatError&) {
        return 0;
    }
    requireRoundTrip("vCard", withOneLineBreak(records), VCardFormat::read(VCardFormat::write(records)));
    return 0;
}
