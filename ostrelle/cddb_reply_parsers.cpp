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

// Numbered groups "KEYWORDj=value" from lines[i] on, j counting from 0. The number written in a
// group's first line is not checked; continuation lines must repeat the group's own key.
std::vector<std::string> ReadNumberedGroups(const std::vector<std::string_view> &lines, size_t i,
                                            std::string_view keyword, size_t limit)
{
    std::vector<std::string> values;
    for (size_t j = 0; i < lines.size() && lines[i].starts_with(keyword) && j < limit; ++j) {
        const std::string key = std::string(keyword) + std::to_string(j) + "=";
        std::string value(lines[i].substr(std::min(key.size(), lines[i].size())));
        for (++i; i < lines.size() && lines[i].starts_with(key); ++i)
            value += lines[i].substr(key.size());
        values.push_back(DecodeEscapes(value));
    }
    return values;
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

CddbEntryText ParseEntry(std::string_view text)
{
    const std::vector<std::string_view> lines = BodyLines(text);
    CddbEntryText entry;
    entry.TrackTitles = ReadNumberedGroups(lines, FindGroupStart(lines, "TTITLE"), "TTITLE", lines.size());

    entry.TrackExtData.resize(entry.TrackTitles.size());
    auto extended =
        ReadNumberedGroups(lines, FindGroupStart(lines, "EXTT"), "EXTT", entry.TrackTitles.size());
    for (size_t j = 0; j < extended.size(); ++j)
        entry.TrackExtData[j] = std::move(extended[j]);

    entry.ExtData = ReadKeyword(lines, "EXTD=");
    entry.Year = ReadKeyword(lines, "DYEAR=").value_or(std::string());
    entry.Genre = ReadKeyword(lines, "DGENRE=").value_or(std::string());
    return entry;
}

std::vector<std::string> ParseSites(std::string_view text)
{
    std::vector<std::string> sites;
    for (std::string_view line : BodyLines(text))
        sites.emplace_back(line);
    return sites;
}

} // namespace ostrelle
