// DavXml::multistatus on anything a server may answer: responses or a
// ToolError. It has no writer to check a round trip against.

#include "fuzzcheck.h"

#include "tools/carddav/davxml.h"
#include "tools/formats/toolerror.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        DavXml::multistatus(fuzzInput(data, size));
    } catch (const ToolError&) {
    }
    return 0;
}
