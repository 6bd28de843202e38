// CsvFormat::read on any bytes gives contacts or a FormatError, the same
// whether the file is read from disk or comes a few bytes at a time from a
// pipe; and the entries made of them are written as the tool's own CSV and
// read back unchanged: an export of what was imported imports as the same
// directory.

#include "fuzzcheck.h"

#include "tools/formats/csvformat.h"

namespace {

void readFile(QIODevice& device, ImportReport& report, const TakeContact& take)
{
    CsvFormat::read(device, std::nullopt, report, take);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const Imported file = importedBothWays("CSV", fuzzInput(data, size), readFile);
    if (file.refused.isEmpty())
        requireRoundTrip("CSV", file.entries, CsvFormat::write(file.entries), readFile);
    return 0;
}
