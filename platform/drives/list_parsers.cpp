#include "list_parsers.h"

#include <filesystem>

namespace drives {
namespace {

bool IsBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r';
}

std::string_view Trimmed(std::string_view text)
{
    while (!text.empty() && IsBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && IsBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

template <typename Take> void ForEachLine(std::string_view text, Take take)
{
    while (!text.empty()) {
        const size_t end = text.find('\n');
        take(Trimmed(text.substr(0, end)));
        text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
}

bool StartsWithWord(std::string_view line, std::string_view word)
{
    if (line.size() <= word.size() || !IsBlank(line[word.size()]))
        return false;
    for (size_t i = 0; i < word.size(); ++i)
        if ((line[i] & ~0x20) != word[i]) // ASCII letters, either case
            return false;
    return true;
}

// A quoted name with its escapes undone; empty when the quote is not closed.
std::string Unquoted(std::string_view text)
{
    std::string name;
    for (size_t i = 1; i < text.size(); ++i) {
        if (text[i] == '"')
            return name;
        if (text[i] == '\\' && i + 1 < text.size())
            ++i;
        name += text[i];
    }
    return {};
}

} // namespace

std::vector<std::string> ParseDriveList(std::string_view text, const std::string &dir)
{
    std::vector<std::string> paths;
    ForEachLine(text, [&](std::string_view line) {
        if (line.empty() || line.front() == '#')
            return;
        const std::filesystem::path path(line);
        paths.push_back((path.is_relative() ? std::filesystem::path(dir) / path : path).string());
    });
    return paths;
}

std::vector<std::string> ImageDataFiles(std::string_view text, bool cdrdao)
{
    std::vector<std::string> names;
    ForEachLine(text, [&](std::string_view line) {
        std::string_view rest;
        bool typed = !cdrdao;
        for (const std::string_view keyword : {"FILE", "AUDIOFILE", "DATAFILE", "CDTEXTFILE"}) {
            if (StartsWithWord(line, keyword) &&
                (cdrdao ? keyword != "CDTEXTFILE" : keyword == "FILE" || keyword == "CDTEXTFILE")) {
                rest = Trimmed(line.substr(keyword.size()));
                typed = typed && keyword == "FILE";
            }
        }
        if (rest.empty())
            return;
        std::string name;
        if (rest.front() == '"') {
            name = Unquoted(rest);
        } else if (typed) {
            // FILE name TYPE: the type is the last word.
            const size_t blank = rest.find_last_of(" \t");
            name =
                std::string(Trimmed(rest.substr(0, blank == std::string_view::npos ? rest.size() : blank)));
        } else {
            name = std::string(rest.substr(0, rest.find_first_of(" \t")));
        }
        if (!name.empty())
            names.push_back(std::move(name));
    });
    return names;
}

namespace {

// "MM:SS:FF" as sectors; -1 when it is not one.
int32_t MsfSectors(std::string_view text)
{
    int32_t parts[3] = {0, 0, 0};
    size_t part = 0;
    bool digits = false;
    for (const char c : text) {
        if (c >= '0' && c <= '9' && parts[part] < 100000) {
            parts[part] = parts[part] * 10 + (c - '0');
            digits = true;
        } else if (c == ':' && digits && part < 2) {
            ++part;
            digits = false;
        } else {
            return -1;
        }
    }
    if (part != 2 || !digits || parts[1] > 59 || parts[2] > 74)
        return -1;
    return parts[0] * 4500 + parts[1] * 75 + parts[2];
}

} // namespace

std::vector<CueGap> CueSheetGaps(std::string_view text)
{
    std::vector<CueGap> gaps;
    int track = 0;
    ForEachLine(text, [&](std::string_view line) {
        if (StartsWithWord(line, "TRACK")) {
            const std::string_view rest = Trimmed(line.substr(5));
            track = 0;
            for (size_t i = 0; i < rest.size() && rest[i] >= '0' && rest[i] <= '9' && track < 100; ++i)
                track = track * 10 + (rest[i] - '0');
            if (track > 99)
                track = 0;
            return;
        }
        const bool pregap = StartsWithWord(line, "PREGAP");
        if (track == 0 || (!pregap && !StartsWithWord(line, "POSTGAP")))
            return;
        const int32_t sectors = MsfSectors(Trimmed(line.substr(pregap ? 6 : 7)));
        if (sectors <= 0)
            return;
        if (gaps.empty() || gaps.back().track != track)
            gaps.push_back({track, 0, 0});
        (pregap ? gaps.back().pregap : gaps.back().postgap) = sectors;
    });
    return gaps;
}

std::string CueCdTextFile(std::string_view text)
{
    std::string name;
    ForEachLine(text, [&](std::string_view line) {
        if (!StartsWithWord(line, "CDTEXTFILE"))
            return;
        const std::string_view rest = Trimmed(line.substr(10));
        name = !rest.empty() && rest.front() == '"' ? Unquoted(rest) : std::string(rest);
    });
    return name;
}

} // namespace drives
