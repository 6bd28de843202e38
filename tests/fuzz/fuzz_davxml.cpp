// DavXml::multistatus on anything a server may answer: responses or a
// ToolError. It has no writer to check a round trip against.

#include "davxml.h"
#include "fuzzcheck.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    try {
        DavXml::multistatus(fuzzInput(data, size));
    } catch (const ToolError&) {
    }
    return 0;
}
