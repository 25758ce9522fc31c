// libFuzzer target: the checks that a CDDB reply is whole and well formed, the three CDDB reply
// parsers, the conversion of reply texts between charsets and the HTTP response reader on
// arbitrary bytes. Every input goes through all of them; the reader gets it in pieces whose size
// the first byte chooses, so header lines split anywhere are exercised too, and the entry parser
// a track count the second byte chooses.

#include "cddb_reply_parsers.h"
#include "http_response_reader.h"
#include "reply_charset.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

void CheckMatch(const ostrelle::CddbMatchText &match, size_t size)
{
    // Every field is a piece of one line of the reply; a decoded "\n" escape is the only line break.
    for (const std::string *field : {&match.Category, &match.DiscId, &match.Artist, &match.Title}) {
        if (field->size() > size || field->find('\r') != std::string::npos)
            std::abort();
    }
}

void ReadInPieces(std::string_view data)
{
    using Phase = ostrelle::THttpResponseReader::Phase;
    const size_t piece = data.empty() ? 1 : static_cast<unsigned char>(data[0]) % 64 + 1;
    ostrelle::THttpResponseReader reader;
    size_t bodyBytes = 0;
    for (size_t at = 0; at < data.size(); at += piece) {
        std::string_view body;
        const auto phase = reader.Feed(data.substr(at, piece), body);
        bodyBytes += body.size();
        if (phase == Phase::ErrorStatus && reader.StatusCode() < 400)
            std::abort();
        // An end phase takes nothing more.
        if ((phase == Phase::BadLength || phase == Phase::LineTooLong) && !body.empty())
            std::abort();
    }
    if (bodyBytes > data.size() || reader.Location().size() > ostrelle::THttpResponseReader::MaxHeaderLine)
        std::abort();
    // Announced lengths fit the reader's own limit on digits.
    if (reader.ContentLength() && *reader.ContentLength() >= 1'000'000'000'000'000)
        std::abort();
}

// A reply that passes the shape check ends its last line, and one with data ends with its "." line.
void CheckShape(std::string_view whole)
{
    using Kind = ostrelle::ReplyFault::TKind;
    const ostrelle::ReplyFault fault = ostrelle::CheckReplyShape(whole);
    if (fault.Kind == Kind::None) {
        if (whole.find('\0') != std::string_view::npos ||
            (!whole.empty() && whole.back() != '\n' && whole.back() != '\r'))
            std::abort();
        const std::string_view code = ostrelle::ReplyCode(whole);
        ostrelle::TLineReader reader(whole);
        std::string_view line;
        std::string_view last;
        while (reader.Next(line))
            last = line;
        if (code.size() == 3 && code[1] == '1' &&
            code.find_first_not_of("0123456789") == std::string_view::npos && last != ".")
            std::abort();
    } else if (fault.Why.empty()) {
        std::abort();
    }
}

// A well-formed entry has no more titles than the disc has tracks.
void CheckEntry(std::string_view text, size_t trackCount)
{
    const auto entry = ostrelle::ParseEntry(text, trackCount);
    if (entry.TrackExtData.size() != entry.TrackTitles.size())
        std::abort();
    if (entry.Malformed.empty() && entry.TrackTitles.size() > trackCount)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    // The exports parse the body up to its first NUL byte (after the shape check refused any).
    std::string_view whole(reinterpret_cast<const char *>(bytes), size);
    const std::string_view text = whole.substr(0, whole.find('\0'));

    CheckMatch(ostrelle::ParseExactMatch(text), text.size());
    for (const auto &match : ostrelle::ParseMatchList(text))
        CheckMatch(match, text.size());

    CheckShape(whole);
    CheckEntry(text, size > 1 ? bytes[1] % 100 : ostrelle::MaxTracks);
    if (!ostrelle::QueryReplyProblem(text).empty() && ostrelle::ReplyCode(text) != "200" &&
        ostrelle::ReplyCode(text) != "210" && ostrelle::ReplyCode(text) != "211")
        std::abort();
    if (const std::string problem = ostrelle::MatchLineProblem(text); problem.empty()) {
        if (ostrelle::ParseMatchLine(text).DiscId.size() != 8)
            std::abort();
    }
    (void)ostrelle::TrackCountOfDiscId(text.substr(0, 8));

    for (const auto &site : ostrelle::ParseSites(text)) {
        if (site.find_first_of("\r\n") != std::string::npos || site == ".")
            std::abort();
    }

    // Each character becomes at most three bytes one way, at most one byte the other.
    using ostrelle::TTextEncoding;
    if (ostrelle::ToRecordText(text, "iso-8859-1", TTextEncoding::Utf8).size() > 3 * text.size() ||
        ostrelle::ToRecordText(text, "utf-8", TTextEncoding::Windows1252).size() > text.size())
        std::abort();

    ReadInPieces(whole);
    return 0;
}
