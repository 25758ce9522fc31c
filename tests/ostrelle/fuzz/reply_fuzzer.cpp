// libFuzzer target: the three CDDB reply parsers, the conversion of reply texts between charsets and
// the HTTP response reader on arbitrary bytes.
// Every input goes through all of them; the reader gets it in pieces whose size the first byte
// chooses, so header lines split anywhere are exercised too.

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
    const size_t piece = data.empty() ? 1 : static_cast<unsigned char>(data[0]) % 64 + 1;
    ostrelle::THttpResponseReader reader;
    size_t bodyBytes = 0;
    for (size_t at = 0; at < data.size(); at += piece) {
        std::string_view body;
        const auto phase = reader.Feed(data.substr(at, piece), body);
        bodyBytes += body.size();
        if (phase == ostrelle::THttpResponseReader::Phase::ErrorStatus && reader.StatusCode() < 400)
            std::abort();
    }
    if (bodyBytes > data.size() || reader.Location().size() > ostrelle::THttpResponseReader::MaxHeaderLine)
        std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    // The exports parse the body up to its first NUL byte.
    std::string_view whole(reinterpret_cast<const char *>(bytes), size);
    const std::string_view text = whole.substr(0, whole.find('\0'));

    CheckMatch(ostrelle::ParseExactMatch(text), text.size());
    for (const auto &match : ostrelle::ParseMatchList(text))
        CheckMatch(match, text.size());

    const auto entry = ostrelle::ParseEntry(text);
    if (entry.TrackExtData.size() != entry.TrackTitles.size())
        std::abort();

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
