#pragma once
// Parsers of CDDB replies. Pure functions over the reply text: every field stays inside its line
// and nothing is read past the end of the text, whatever the server sent.

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace ostrelle {

// Reads lines ended by CR LF, LF or a lone CR; the last line may lack an end.
class TLineReader {
  public:
    explicit TLineReader(std::string_view text) : text_(text) {}
    // The next line without its end; false when the text is used up.
    bool Next(std::string_view &line);

  private:
    std::string_view text_;
    size_t position_ = 0;
};

struct CddbMatchText {
    std::string Category;
    std::string DiscId;
    std::string Artist;
    std::string Title;
};

struct CddbEntryText {
    // Why the entry cannot be used, in French (UTF-8); empty when it is well formed.
    std::string Malformed;
    std::vector<std::string> TrackTitles;
    // As many as TrackTitles; empty where the entry has no EXTT group.
    std::vector<std::optional<std::string>> TrackExtData;
    std::optional<std::string> ExtData;
    // DYEAR and DGENRE (sent from protocol level 5 on); empty when absent.
    std::string Year;
    std::string Genre;
};

// The three leading characters of a reply, or fewer when the reply is shorter.
std::string_view ReplyCode(std::string_view text);

// What keeps a reply from being used as it stands.
struct ReplyFault {
    enum class TKind {
        None,
        Incomplete, // the transfer ended too soon: a line without its end, no "." line
        Malformed,  // whole, but not what the protocol allows
    };
    TKind Kind = TKind::None;
    // Why, in French (UTF-8); empty for None.
    std::string Why;

    explicit operator bool() const { return Kind != TKind::None; }
};

// The shape every reply must have, on its raw bytes: no NUL byte nor other control character
// (tab aside), every line ended (CR LF, LF or CR), and for a code whose middle digit is 1 (data
// follows) a "." line that is the reply's last line.
ReplyFault CheckReplyShape(std::string_view reply);

// A query match, "category discid text": a category, a disc ID of eight hexadecimal digits and a
// text. Empty when it is one, else why not, in French (UTF-8).
std::string MatchLineProblem(std::string_view line);

// The first malformed match of a 200, 210 or 211 query reply, or empty.
std::string QueryReplyProblem(std::string_view text);

// The track count a disc ID names (its last two hexadecimal digits), or nothing when the text is
// no disc ID of eight hexadecimal digits or names no track.
std::optional<size_t> TrackCountOfDiscId(std::string_view discId);

// An entry value with its escapes decoded: "\n" newline, "\t" tab, "\\" backslash; any other
// backslash stays as it is.
std::string DecodeEscapes(std::string_view value);

// "category discid artist / title": one match, split at the first " / " or, when there is none,
// at the first "/" (so "AC/DC / Back in Black" keeps its artist). Without a slash, artist and
// title are the same. Escapes are decoded.
CddbMatchText ParseMatchLine(std::string_view line);

// The 200 reply: one match on the status line, after the code and its space.
CddbMatchText ParseExactMatch(std::string_view text);

// The 210 and 211 query replies: one match per line after the status line, up to a line that
// begins with "." (or "0") or the end of the text.
std::vector<CddbMatchText> ParseMatchList(std::string_view text);

// The most tracks a CD holds.
inline constexpr size_t MaxTracks = 99;

// The 210 read reply: the xmcd entry's TTITLE, EXTT, EXTD, DYEAR and DGENRE. The lines of a
// numbered group (TTITLEn, EXTTn) follow each other and are joined without separator, then escapes
// decoded; n counts up from 0 by one and stays below the disc's track count: the number of
// offsets in the entry's "# Track frame offsets:" comment, or trackCount when it has none. A group
// whose number goes back or skips, goes past the track count or is no number, and a line that is
// neither a "#" comment nor "KEYWORD=value", make the entry Malformed (its other fields then
// empty). EXTT groups beyond the TTITLE count are ignored.
CddbEntryText ParseEntry(std::string_view text, size_t trackCount = MaxTracks);

// The 210 and 401 sites replies: every line after the status line up to a "." line.
std::vector<std::string> ParseSites(std::string_view text);

} // namespace ostrelle
