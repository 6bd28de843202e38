// FolderPath::parse on any text, and FolderPath::format's promise that every
// list of folder names, empty ones and ones holding slashes or backslashes
// included, parses back as the same list. The input is taken both as a path
// someone typed and, split at line breaks, as a list of names.

#include "fuzzcheck.h"

#include "tools/formats/folderpath.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QString text = QString::fromUtf8(fuzzInput(data, size));
    for (const QStringList& names : {FolderPath::parse(text), text.split(u'\n')})
        requireSame("folder path", "read back differently from how it was written", names,
                    FolderPath::parse(FolderPath::format(names)));
    return 0;
}
