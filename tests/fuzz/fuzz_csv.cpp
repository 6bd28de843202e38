// CsvFormat::read on any bytes gives records or a FormatError, and records it
// gives are written and read back unchanged: an export of what was imported
// imports as the same directory.

#include "fuzzcheck.h"

#include "tools/formats/csvformat.h"
#include "tools/formats/formaterror.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    std::vector<FlatRecord> records;
    try {
        records = CsvFormat::read(fuzzInput(data, size));
    } catch (const FormatError&) {
        return 0;
    }
    requireRoundTrip("CSV", records, CsvFormat::read(CsvFormat::write(records)));
    return 0;
}
