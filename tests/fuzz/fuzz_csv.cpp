// CsvFormat::read on any bytes gives contacts or a FormatError, and the
// entries made of them are written as the tool's own CSV and read back
// unchanged: an export of what was imported imports as the same directory.

#include "fuzzcheck.h"

#include "tools/formats/csvformat.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/formaterror.h"

namespace {

std::vector<FlatRecord> entries(const QByteArray& data)
{
    ImportReport report;
    return EntryMaker::plainEntries(CsvFormat::read(data, std::nullopt, report));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<FlatRecord> records;
    try {
        records = entries(fuzzInput(data, size));
    } catch (const FormatError&) {
        return 0;
    }
    requireRoundTrip("CSV", records, entries(CsvFormat::write(records)));
    return 0;
}
