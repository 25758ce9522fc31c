#include "phone_book.h"

#include "ras.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <iterator>
#include <memory>
#include <sys/stat.h>

namespace ras {

std::string PeersDirectory(const char *phonebook)
{
    if (phonebook && *phonebook)
        return phonebook;
    if (const char *dir = std::getenv("QUAVREL_PPP_PEERS"); dir && *dir)
        return dir;
    return "/etc/ppp/peers";
}

bool IsEntryName(std::string_view name)
{
    if (name.empty() || name.size() > RAS_MaxEntryName || name.front() == '.' || name.back() == '~')
        return false;
    return std::none_of(name.begin(), name.end(),
                        [](char c) { return c == '/' || static_cast<unsigned char>(c) < 0x20; });
}

bool EntryExists(const std::string &dir, std::string_view name)
{
    if (!IsEntryName(name))
        return false;
    struct stat info {};
    return stat((dir + "/" + std::string(name)).c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

uint32_t ListEntries(const std::string &dir, std::vector<std::string> &names)
{
    names.clear();
    std::unique_ptr<DIR, int (*)(DIR *)> stream(opendir(dir.c_str()), closedir);
    if (!stream)
        return errno == ENOENT ? 0 : ERROR_CANNOT_OPEN_PHONEBOOK;
    while (const dirent *item = readdir(stream.get())) {
        if (EntryExists(dir, item->d_name))
            names.emplace_back(item->d_name);
    }
    std::sort(names.begin(), names.end());
    return 0;
}

std::vector<std::string> OptionWords(std::string_view text)
{
    std::vector<std::string> words;
    size_t i = 0;
    while (i < text.size()) {
        const char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r') {
            ++i;
            continue;
        }
        if (c == '#') {
            const auto end = text.find('\n', i);
            i = end == std::string_view::npos ? text.size() : end;
            continue;
        }
        std::string word;
        bool quoted = false;
        for (; i < text.size(); ++i) {
            const char d = text[i];
            if (d == '\\' && i + 1 < text.size()) {
                word += text[++i];
            } else if (d == '"') {
                quoted = !quoted;
            } else if (!quoted && (d == ' ' || d == '\t' || d == '\n' || d == '\r')) {
                break;
            } else {
                word += d;
            }
        }
        words.push_back(std::move(word));
    }
    return words;
}

std::string DeviceAmong(const std::vector<std::string> &words)
{
    // Options whose argument is a file or a command, never the link's device.
    static constexpr std::string_view kTakesArgument[] = {
        "file", "call", "logfile", "connect",    "disconnect", "init",   "welcome",
        "pty",  "user", "name",    "remotename", "linkname",   "ipparam"};
    for (size_t i = 0; i < words.size(); ++i) {
        const std::string &word = words[i];
        if (std::find(std::begin(kTakesArgument), std::end(kTakesArgument), word) !=
            std::end(kTakesArgument)) {
            ++i;
            continue;
        }
        if (word.rfind("/dev/", 0) == 0)
            return word;
        if (word.rfind("tty", 0) == 0 && word.size() > 3)
            return "/dev/" + word;
    }
    return {};
}

PeerOptions ReadPeerOptions(const std::string &path)
{
    PeerOptions options;
    std::ifstream file(path);
    if (!file)
        return options;
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    const auto words = OptionWords(text);
    options.device = DeviceAmong(words);
    for (size_t i = 0; i + 1 < words.size(); ++i) {
        if (words[i] == "user")
            options.user = words[i + 1];
    }
    return options;
}

} // namespace ras
