#include "cddb_reply_parsers.h"

#include <algorithm>

namespace ostrelle {
namespace {

// The reply's lines after its status line, up to the "." line that ends it.
std::vector<std::string_view> BodyLines(std::string_view text)
{
    std::vector<std::string_view> lines;
    TLineReader reader(text);
    std::string_view line;
    if (!reader.Next(line))
        return lines;
    while (reader.Next(line) && line != ".")
        lines.push_back(line);
    return lines;
}

size_t FindGroupStart(const std::vector<std::string_view> &lines, std::string_view keyword)
{
    size_t i = 0;
    while (i < lines.size() && !lines[i].starts_with(keyword))
        ++i;
    return i;
}

// Long enough for any real line, short enough for a message box.
constexpr size_t MaxQuotedLine = 160;

// A line quoted in a message, its bytes outside printable ASCII as "?": the message is UTF-8
// whatever the reply's charset.
std::string Quoted(std::string_view line)
{
    std::string quoted = "« ";
    for (const char c : line.substr(0, MaxQuotedLine))
        quoted += c >= 0x20 && c < 0x7f ? c : '?';
    return quoted + " »";
}

bool IsHexDigit(char c)
{
    return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f') || (c >= 'A' && c <= 'F');
}

bool IsDecimalDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The number of offsets in the entry's "# Track frame offsets:" comment (one "#<blanks>frame" line
// each, as xmcd writes them); 0 when it has none.
size_t FrameOffsetCount(const std::vector<std::string_view> &lines)
{
    size_t i = 0;
    auto commentText = [&lines](size_t at) {
        std::string_view text = lines[at].substr(1);
        while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
            text.remove_prefix(1);
        while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
            text.remove_suffix(1);
        return text;
    };
    while (i < lines.size() &&
           !(lines[i].starts_with('#') && commentText(i).starts_with("Track frame offsets")))
        ++i;
    size_t count = 0;
    for (++i; i < lines.size() && lines[i].starts_with('#'); ++i) {
        const std::string_view offset = commentText(i);
        if (offset.empty() || !std::all_of(offset.begin(), offset.end(), IsDecimalDigit))
            break;
        ++count;
    }
    return count;
}

// Numbered groups "KEYWORDn=value" of the whole entry, in the order of their numbers: a line with
// the number of the group before it continues that group; any other number must be the next one.
// False, with why in fault, when a number goes back, skips, reaches limit or is missing.
bool ReadNumberedGroups(const std::vector<std::string_view> &lines, std::string_view keyword, size_t limit,
                        std::vector<std::string> &values, std::string &fault)
{
    std::vector<std::string> raw;
    for (const std::string_view line : lines) {
        if (!line.starts_with(keyword))
            continue;
        const std::string_view rest = line.substr(keyword.size());
        size_t digits = 0;
        while (digits < rest.size() && IsDecimalDigit(rest[digits]))
            ++digits;
        // Three digits are more than any disc needs; more could only overflow.
        if (digits == 0 || digits > 3 || digits == rest.size() || rest[digits] != '=') {
            fault = "réponse mal formée : " + Quoted(line);
            return false;
        }
        const size_t number = std::stoul(std::string(rest.substr(0, digits)));
        const std::string name = std::string(keyword) + std::to_string(number);
        if (raw.empty() ? number != 0 : number + 1 < raw.size() || number > raw.size()) {
            fault = "réponse mal formée : " + name +
                    (raw.empty() ? " en premier"
                                 : " après " + std::string(keyword) + std::to_string(raw.size() - 1));
            return false;
        }
        if (number >= limit) {
            fault = "réponse mal formée : " + name + " pour " + std::to_string(limit) +
                    (limit == 1 ? " piste" : " pistes");
            return false;
        }
        if (number == raw.size())
            raw.emplace_back();
        raw.back() += rest.substr(digits + 1);
    }
    values.clear();
    for (const std::string &value : raw)
        values.push_back(DecodeEscapes(value));
    return true;
}

// The value of an unnumbered keyword ("EXTD=", "DYEAR="): its first line and every directly
// following line with the same key, joined; nothing when the entry lacks it.
std::optional<std::string> ReadKeyword(const std::vector<std::string_view> &lines, std::string_view key)
{
    size_t i = FindGroupStart(lines, key.substr(0, key.size() - 1));
    if (i == lines.size())
        return std::nullopt;
    std::string value(lines[i].substr(std::min(key.size(), lines[i].size())));
    for (++i; i < lines.size() && lines[i].starts_with(key); ++i)
        value += lines[i].substr(key.size());
    return DecodeEscapes(value);
}

} // namespace

std::string DecodeEscapes(std::string_view value)
{
    std::string decoded;
    decoded.reserve(value.size());
    for (size_t i = 0; i < value.size(); ++i) {
        const char next = i + 1 < value.size() ? value[i + 1] : '\0';
        if (value[i] == '\\' && (next == 'n' || next == 't' || next == '\\')) {
            decoded += next == 'n' ? '\n' : next == 't' ? '\t' : '\\';
            ++i;
        } else {
            decoded += value[i];
        }
    }
    return decoded;
}

bool TLineReader::Next(std::string_view &line)
{
    if (position_ >= text_.size())
        return false;
    const std::string_view rest = text_.substr(position_);
    const size_t end = rest.find_first_of("\r\n");
    if (end == std::string_view::npos) {
        line = rest;
        position_ = text_.size();
        return true;
    }
    line = rest.substr(0, end);
    const bool crlf = rest[end] == '\r' && end + 1 < rest.size() && rest[end + 1] == '\n';
    position_ += end + (crlf ? 2 : 1);
    return true;
}

std::string_view ReplyCode(std::string_view text)
{
    return text.substr(0, 3);
}

CddbMatchText ParseMatchLine(std::string_view line)
{
    CddbMatchText match;
    auto takeWord = [&line]() {
        const size_t space = line.find(' ');
        const std::string_view word = line.substr(0, space);
        line.remove_prefix(space == std::string_view::npos ? line.size() : space + 1);
        return std::string(word);
    };
    match.Category = takeWord();
    match.DiscId = takeWord();
    size_t slash = line.find(" / ");
    if (slash != std::string_view::npos)
        ++slash;
    else
        slash = line.find('/');
    if (slash == std::string_view::npos) {
        match.Artist = DecodeEscapes(line);
        match.Title = match.Artist;
        return match;
    }
    std::string_view artist = line.substr(0, slash);
    std::string_view title = line.substr(slash + 1);
    if (artist.ends_with(' '))
        artist.remove_suffix(1);
    if (title.starts_with(' '))
        title.remove_prefix(1);
    match.Artist = DecodeEscapes(artist);
    match.Title = DecodeEscapes(title);
    return match;
}

CddbMatchText ParseExactMatch(std::string_view text)
{
    TLineReader reader(text);
    std::string_view line;
    reader.Next(line);
    return ParseMatchLine(line.size() > 4 ? line.substr(4) : std::string_view());
}

std::vector<CddbMatchText> ParseMatchList(std::string_view text)
{
    std::vector<CddbMatchText> matches;
    TLineReader reader(text);
    std::string_view line;
    reader.Next(line);
    while (reader.Next(line)) {
        if (line.starts_with('.') || line.starts_with('0'))
            break;
        if (!line.empty())
            matches.push_back(ParseMatchLine(line));
    }
    return matches;
}

CddbEntryText ParseEntry(std::string_view text, size_t trackCount)
{
    const std::vector<std::string_view> lines = BodyLines(text);
    if (const size_t offsets = FrameOffsetCount(lines); offsets > 0)
        trackCount = offsets;
    CddbEntryText entry;
    for (const std::string_view line : lines) {
        const size_t equals = line.find('=');
        const bool keyword = equals != std::string_view::npos && equals > 0 &&
                             std::all_of(line.begin(), line.begin() + static_cast<std::ptrdiff_t>(equals),
                                         [](char c) { return (c >= 'A' && c <= 'Z') || IsDecimalDigit(c); });
        if (!line.empty() && !line.starts_with('#') && !keyword) {
            entry.Malformed = "réponse mal formée : " + Quoted(line);
            return entry;
        }
    }
    std::vector<std::string> extended;
    if (!ReadNumberedGroups(lines, "TTITLE", trackCount, entry.TrackTitles, entry.Malformed) ||
        !ReadNumberedGroups(lines, "EXTT", trackCount, extended, entry.Malformed)) {
        // Nothing of a malformed entry is to be used.
        CddbEntryText malformed;
        malformed.Malformed = std::move(entry.Malformed);
        return malformed;
    }

    entry.TrackExtData.resize(entry.TrackTitles.size());
    for (size_t j = 0; j < extended.size() && j < entry.TrackTitles.size(); ++j)
        entry.TrackExtData[j] = std::move(extended[j]);

    entry.ExtData = ReadKeyword(lines, "EXTD=");
    entry.Year = ReadKeyword(lines, "DYEAR=").value_or(std::string());
    entry.Genre = ReadKeyword(lines, "DGENRE=").value_or(std::string());
    return entry;
}

ReplyFault CheckReplyShape(std::string_view reply)
{
    ReplyFault fault;
    for (size_t i = 0; i < reply.size(); ++i) {
        const auto byte = static_cast<unsigned char>(reply[i]);
        if (byte < 0x20 && byte != '\t' && byte != '\r' && byte != '\n') {
            fault.Kind = ReplyFault::TKind::Malformed;
            fault.Why = byte == 0
                            ? "réponse mal formée : octet NUL à la position " + std::to_string(i)
                            : "réponse mal formée : caractère de contrôle à la position " + std::to_string(i);
            return fault;
        }
    }
    if (reply.empty())
        return fault;
    if (reply.back() != '\n' && reply.back() != '\r') {
        fault.Kind = ReplyFault::TKind::Incomplete;
        fault.Why = "réponse incomplète : dernière ligne sans fin de ligne";
        return fault;
    }
    const std::string_view code = ReplyCode(reply);
    const bool dataFollows =
        code.size() == 3 && std::all_of(code.begin(), code.end(), IsDecimalDigit) && code[1] == '1';
    if (!dataFollows)
        return fault;
    TLineReader reader(reply);
    std::string_view line;
    reader.Next(line);
    bool ended = false;
    while (reader.Next(line)) {
        if (ended) {
            fault.Kind = ReplyFault::TKind::Malformed;
            fault.Why = "réponse mal formée : texte après la ligne de fin « . »";
            return fault;
        }
        ended = line == ".";
    }
    if (!ended) {
        fault.Kind = ReplyFault::TKind::Incomplete;
        fault.Why = "réponse sans ligne de fin « . »";
    }
    return fault;
}

std::string MatchLineProblem(std::string_view line)
{
    const size_t categoryEnd = line.find(' ');
    const std::string_view rest =
        categoryEnd == std::string_view::npos ? std::string_view() : line.substr(categoryEnd + 1);
    const std::string_view discId = rest.substr(0, rest.find(' '));
    if (categoryEnd == 0 || categoryEnd == std::string_view::npos || discId.size() != 8 ||
        !std::all_of(discId.begin(), discId.end(), IsHexDigit) || rest.size() <= 9 || rest[8] != ' ')
        return "réponse mal formée : disque " + Quoted(line);
    return {};
}

std::string QueryReplyProblem(std::string_view text)
{
    TLineReader reader(text);
    std::string_view line;
    if (!reader.Next(line))
        return {};
    const std::string_view code = ReplyCode(line);
    if (code == "200")
        return MatchLineProblem(line.size() > 4 ? line.substr(4) : std::string_view());
    if (code != "210" && code != "211")
        return {};
    while (reader.Next(line) && line != ".") {
        if (std::string problem = MatchLineProblem(line); !problem.empty())
            return problem;
    }
    return {};
}

std::optional<size_t> TrackCountOfDiscId(std::string_view discId)
{
    if (discId.size() != 8 || !std::all_of(discId.begin(), discId.end(), IsHexDigit))
        return std::nullopt;
    const size_t count = std::stoul(std::string(discId.substr(6)), nullptr, 16);
    if (count == 0 || count > MaxTracks)
        return std::nullopt;
    return count;
}

std::vector<std::string> ParseSites(std::string_view text)
{
    std::vector<std::string> sites;
    for (std::string_view line : BodyLines(text))
        sites.emplace_back(line);
    return sites;
}

} // namespace ostrelle
