// cddb_demo SERVER[:PORT] [CGI_PATH]
//
// Looks up the bundled demonstration disc through Ostrelle's exports, as the program will: builds
// its table of contents, computes the disc ID, sends the CDDB query, reads the entry of the match
// and prints artist, album and track titles; then releases the records.

#include "windows1252.h"

#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include <ostrelle/ostrelle.h>

namespace {

// Absolute frame offsets of the demonstration disc (tests/data/cddb/rock/3b04af05), lead-in
// included, and its lead-out.
const std::vector<uint32_t> DemoOffsets = {150, 18337, 35210, 52890, 71455};
constexpr uint32_t DemoLeadOut = 90122;

TTocEntry EntryAt(uint32_t frame, bool audio)
{
    return TTocEntry{static_cast<uint8_t>(frame / 4500), static_cast<uint8_t>(frame / 75 % 60),
                     static_cast<uint8_t>(frame % 75), audio ? OSTRELLE_TRUE : OSTRELLE_FALSE};
}

TCdToc DemoToc()
{
    TCdToc toc{};
    toc.Count = static_cast<uint8_t>(DemoOffsets.size());
    for (size_t i = 0; i < DemoOffsets.size(); ++i)
        toc.Tracks[i] = EntryAt(DemoOffsets[i], true);
    toc.LeadOut = EntryAt(DemoLeadOut, false);
    return toc;
}

// CDDB text is Windows-1252; the terminal wants UTF-8.
std::string Utf8FromWindows1252(const char *text)
{
    return platform::Windows1252ToUtf8(text ? text : "");
}

const char *QueryResultName(int32_t result)
{
    switch (result) {
    case CDDB_EXACT:
        return "one exact match";
    case CDDB_EXACT_MULTIPLE:
        return "several exact matches";
    case CDDB_INEXACT:
        return "inexact matches";
    case CDDB_NO_MATCH:
        return "no match";
    case CDDB_CORRUPT:
        return "database entry corrupt";
    case CDDB_NO_HANDSHAKE:
        return "no handshake";
    default:
        return "request failed";
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: %s SERVER[:PORT] [CGI_PATH]\n", argv[0]);
        return 2;
    }
    std::string host = argv[1];
    std::string cgiPath = argc > 2 ? argv[2] : "/~cddb/cddb.cgi";
    std::string user = "Quavrel";
    std::string machine = "localhost";
    const TCddbServer server{host.data(), cgiPath.data(), user.data(), machine.data()};

    const TCdToc toc = DemoToc();
    std::printf("Disc ID: %08x (%d tracks)\n", CalcDiscID(&toc), toc.Count);

    TCDDBQuery query{};
    TDiscInfo info{};
    int status = 1;
    const int32_t found = http_query(0, &server, &toc, &query);
    std::printf("Query: %s\n", QueryResultName(found));
    if ((found == CDDB_EXACT || found == CDDB_EXACT_MULTIPLE || found == CDDB_INEXACT) && query.Count > 0) {
        if (query.Count > 1)
            std::printf("%d matches; taking the first.\n", query.Count);
        const TCddbMatch &match = query.Matches[0];
        const int32_t read = http_read(0, &server, &match, &info);
        if (read == CDDB_OK) {
            std::printf("Category: %s\nArtist: %s\nAlbum: %s\n", match.Category,
                        Utf8FromWindows1252(info.Artist).c_str(), Utf8FromWindows1252(info.Title).c_str());
            for (int32_t i = 0; i < info.Count; ++i)
                std::printf("%2d. %s\n", i + 1, Utf8FromWindows1252(info.TrackTitles[i]).c_str());
            status = 0;
        } else {
            std::printf("Read: failed with code %d\n", read);
        }
    }
    FreeDiscInfo(&info);
    FreeCddbQuery(&query);
    return status;
}
