// DavXml::MultistatusReader on anything a server may answer: responses or a
// ToolError, the same whether the answer comes at once or a few bytes at a
// time, as a slow server sends it. It has no writer to check a round trip
// against.

#include "fuzzcheck.h"

#include "tools/carddav/davxml.h"
#include "tools/formats/toolerror.h"

#include <tuple>

namespace {

// What an answer gives sync: the responses as they were handed on, the
// answer's sync token, and why it is refused.
struct Answer
{
    std::vector<DavXml::Response> responses;
    QString syncToken;
    QString error;
};

auto fields(const DavXml::Response& r)
{
    return std::tie(r.href, r.status, r.etag, r.collection, r.addressBook, r.vcard3, r.vcard4, r.addressData,
                    r.syncToken);
}

bool operator==(const Answer& a, const Answer& b)
{
    // Sync changes nothing after a refused answer, whatever it was handed
    // before; and why it is refused may be told at another line, as Qt
    // checks the encoding of all it has been given before the next tag.
    // Two checks Qt makes on what it was given at once, and in pieces only
    // on the piece at hand: "]]>" in text, found where it lies within one
    // piece, and bytes that are no UTF-8, found in all that was given, so
    // that in pieces those after the document's end are never looked at.
    // An answer refused whole for either may be read in pieces.
    const auto piecemealCheck = [](const Answer& x) {
        return x.error.contains(u"']]>'") || x.error.contains(u"incorrectly encoded");
    };
    if (piecemealCheck(a) || piecemealCheck(b))
        return true;
    if (!a.error.isEmpty() || !b.error.isEmpty())
        return a.error.isEmpty() == b.error.isEmpty();
    return std::equal(a.responses.begin(), a.responses.end(), b.responses.begin(), b.responses.end(),
                      [](const auto& x, const auto& y) { return fields(x) == fields(y); })
           && a.syncToken == b.syncToken;
}

QDebug operator<<(QDebug debug, const Answer& answer)
{
    QDebugStateSaver saver(debug);
    debug.nospace() << "{";
    for (const DavXml::Response& r : answer.responses)
        debug << "{" << r.href << ", " << r.status << ", " << r.etag << ", " << r.collection << r.addressBook
              << r.vcard3 << r.vcard4 << ", " << r.addressData.value_or(QStringLiteral("(none)")) << ", "
              << r.syncToken << "}, ";
    debug << answer.syncToken << ", " << answer.error << "}";
    return debug;
}

// The answer fed to the reader `piece` bytes at a time, as the transport
// feeds what arrives, until the reader refuses it.
Answer read(QByteArrayView body, qsizetype piece)
{
    Answer answer;
    DavXml::MultistatusReader reader([&](DavXml::Response&& r) { answer.responses.push_back(std::move(r)); });
    for (qsizetype at = 0; at < body.size() && reader.feed(body.sliced(at, std::min(piece, body.size() - at)));)
        at += piece;
    try {
        reader.finish();
    } catch (const ToolError& error) {
        answer.error = error.message();
    }
    answer.syncToken = reader.syncToken();
    return answer;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray body = fuzzInput(data, size);
    requireSame("multi-status", "read in pieces differently from at once", read(body, std::max<qsizetype>(body.size(), 1)),
                read(body, pieceSize(body.size())));
    return 0;
}
