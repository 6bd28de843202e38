#pragma once

#include "tools/formats/contact.h"
#include "tools/formats/entrymaker.h"
#include "tools/formats/flatrecord.h"
#include "tools/formats/formaterror.h"
#include "tools/formats/importreport.h"
#include "tools/formats/numberreader.h"

#include <QBuffer>
#include <QByteArray>
#include <QDebug>
#include <QIODevice>
#include <QStringList>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <vector>

// The fuzzer's bytes, not copied: a read past their end is one AddressSanitizer
// sees.
inline QByteArray fuzzInput(const uint8_t* data, size_t size)
{
    return QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
}

// How many bytes a pipe or a slow server hands over at a time: one for an
// input of a few KB, so that every line end, byte-order mark, UTF-16 pair
// and tag is cut somewhere; more for a longer one, which then still comes in
// some thousand pieces rather than in millions.
inline qsizetype pieceSize(qsizetype size)
{
    return 1 + size / 4096;
}

// A file that comes in pieces of pieceSize(), as from a pipe.
class Trickle : public QIODevice
{
public:
    explicit Trickle(const QByteArray& data)
        : m_data(data)
        , m_piece(pieceSize(data.size()))
    {
        open(QIODevice::ReadOnly | QIODevice::Unbuffered);
    }
    bool isSequential() const override { return true; }

protected:
    qint64 readData(char* data, qint64 maxSize) override
    {
        const qint64 n = std::min({maxSize, qint64(m_piece), qint64(m_data.size() - m_at)});
        std::memcpy(data, m_data.constData() + m_at, size_t(n));
        m_at += n;
        return n;
    }
    qint64 writeData(const char*, qint64) override { return -1; }

private:
    const QByteArray m_data;
    const qsizetype m_piece;
    qsizetype m_at = 0;
};

inline QDebug operator<<(QDebug debug, const FlatRecord& record)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "{" << record.path << ", " << record.name << ", " << record.tel << "}";
    return debug;
}

// Ends the run as a crash, which libFuzzer reports with the input that led to
// it, when two readings that must agree do not.
template <typename T>
void requireSame(const char* what, const char* how, const T& first, const T& again)
{
    if (first == again)
        return;
    qWarning().nospace() << what << " " << how << ":\n  first " << first << "\n  again " << again;
    std::abort();
}

// What import makes of a file: the entries and what it says about them and
// the file, or the FormatError that refuses the file whole.
struct Imported
{
    std::vector<FlatRecord> entries;
    QString source;
    QStringList report; // "line kind name: text" for each item
    QString refused;    // "line: message"; empty when the file was read
    bool operator==(const Imported&) const = default;
};

inline QDebug operator<<(QDebug debug, const Imported& imported)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "{" << imported.entries << ", " << imported.source << ", " << imported.report << ", "
                    << imported.refused << "}";
    return debug;
}

using TakeContact = std::function<void(const Contact&)>;

// The file on `device` read as import reads it: `read` (a format's
// read(QIODevice&, ImportReport&, take)) hands each contact to an EntryMaker
// as it comes, without a region.
template <typename Read>
Imported imported(QIODevice& device, const Read& read)
{
    Imported result;
    ImportReport report;
    const NumberReader numbers;
    EntryMaker maker(numbers, report);
    try {
        read(device, report, [&](const Contact& contact) { maker.add(contact, result.entries); });
    } catch (const FormatError& error) {
        return {{}, {}, {}, QStringLiteral("%1: %2").arg(QString::number(error.line()), error.message())};
    }
    result.source = report.source;
    for (const ImportReport::Item& item : report.items())
        result.report.append(QStringLiteral("%1 %2 %3: %4")
                                 .arg(QString::number(item.line), QString::number(int(item.kind)), item.name, item.text));
    return result;
}

template <typename Read>
Imported imported(const QByteArray& data, const Read& read)
{
    QBuffer file;
    file.setData(data);
    file.open(QIODevice::ReadOnly);
    return imported(file, read);
}

// A file read as import reads it from a file on disk, checked against its
// reading from a pipe that gives it a few bytes at a time: where its pieces
// are cut changes nothing, not even a message's line.
template <typename Read>
Imported importedBothWays(const char* what, const QByteArray& data, const Read& read)
{
    const Imported whole = imported(data, read);
    Trickle pipe(data);
    requireSame(what, "read from a pipe differently from a file", whole, imported(pipe, read));
    return whole;
}

// An export of what was imported imports as the same directory.
template <typename Read>
void requireRoundTrip(const char* what, const std::vector<FlatRecord>& records, const QByteArray& written,
                      const Read& read)
{
    const Imported again = imported(written, read);
    requireSame(what, "read back differently from how it was written", Imported{records, {}, {}, {}},
                Imported{again.entries, {}, {}, again.refused});
}
