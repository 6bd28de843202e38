#pragma once

#include "tools/formats/flatrecord.h"

#include <QByteArray>
#include <QDebug>

#include <cstdint>
#include <cstdlib>

// The fuzzer's bytes, not copied: a read past their end is one AddressSanitizer
// sees.
inline QByteArray fuzzInput(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline QDebug operator<<(QDebug debug, const FlatRecord& record)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "{" << record.path << ", " << record.name << ", " << record.tel << "}";
    return debug;
}

// Ends the run as a crash, which libFuzzer reports with the input that led to
// it, when what was read differs from what came back through the writer.
template <typename T>
void requireRoundTrip(const char* what, const T& first, const T& again)
{
    if (first == again)
        return;
    qWarning().nospace() << what << " read back differently from how it was written:\n  first " << first
                         << "\n  again " << again;
    std::abort();
}
