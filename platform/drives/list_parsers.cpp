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
        for (const std::string_view keyword : {"FILE", "AUDIOFILE", "DATAFILE"}) {
            if (StartsWithWord(line, keyword) && (cdrdao || keyword == "FILE"))
                rest = Trimmed(line.substr(keyword.size()));
        }
        if (rest.empty())
            return;
        std::string name;
        if (rest.front() == '"') {
            name = Unquoted(rest);
        } else if (!cdrdao) {
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

} // namespace drives
