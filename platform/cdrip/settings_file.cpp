#include "settings_file.h"

#include "config_dir.h"
#include "regular_file.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace cdrip {
namespace {

std::string Trim(const std::string &text)
{
    const auto begin = text.find_first_not_of(" \t\r");
    if (begin == std::string::npos)
        return {};
    const auto end = text.find_last_not_of(" \t\r");
    return text.substr(begin, end - begin + 1);
}

bool MakeDirectories(const std::string &path)
{
    for (size_t slash = path.find('/', 1);; slash = path.find('/', slash + 1)) {
        const std::string part = path.substr(0, slash);
        struct stat info {};
        if (stat(part.c_str(), &info) != 0 && mkdir(part.c_str(), 0700) != 0)
            return false;
        if (slash == std::string::npos)
            return true;
    }
}

// Closes fd keeping the errno of an earlier failure.
void CloseKeepingErrno(int fd)
{
    const int saved = errno;
    close(fd);
    errno = saved;
}

bool WriteAll(int fd, const std::string &text)
{
    for (size_t done = 0; done < text.size();) {
        const ssize_t put = write(fd, text.data() + done, text.size() - done);
        if (put < 0 && errno == EINTR)
            continue;
        if (put < 0)
            return false;
        done += static_cast<size_t>(put);
    }
    return true;
}

// The file a save replaces: the target of a symbolic link, so that the link survives.
std::string FileToReplace(const std::string &path)
{
    struct stat link {};
    if (lstat(path.c_str(), &link) != 0 || !S_ISLNK(link.st_mode))
        return path;
    char resolved[PATH_MAX];
    return realpath(path.c_str(), resolved) ? std::string(resolved) : path;
}

} // namespace

std::string SettingsPath(const std::string &name)
{
    if (!name.empty() && name.front() == '/')
        return name;
    const std::string dir = platform::QuavrelConfigDir();
    if (dir.empty())
        return {}; // nowhere to keep settings: reading finds nothing, saving fails
    return dir + "/" + (name.empty() ? std::string("CDRipper.ini") : name);
}

std::optional<IniFile> IniFile::Read(const std::string &path)
{
    std::string text;
    switch (platform::ReadRegularFile(path, platform::kSettingsFileLimit, text)) {
    case platform::RegularFileRead::Ok:
        return Parse(text);
    case platform::RegularFileRead::Missing: {
        struct stat info {};
        // Nothing at all there is a first run; anything else (a dangling link included) is a
        // file that must not be replaced by one made from defaults.
        if (lstat(path.c_str(), &info) != 0 && errno == ENOENT)
            return IniFile{};
        errno = ENOENT;
        return std::nullopt;
    }
    default:
        return std::nullopt; // errno says why: EFBIG past the size limit, EINVAL for a FIFO or device
    }
}

IniFile IniFile::Parse(std::string_view text)
{
    IniFile file;
    Section *current = &file.sections_.front();
    for (size_t begin = 0; begin < text.size();) {
        size_t end = text.find('\n', begin);
        if (end == std::string::npos)
            end = text.size();
        std::string line(text.substr(begin, end - begin));
        begin = end + 1;
        const std::string trimmed = Trim(line);
        if (trimmed.size() >= 2 && trimmed.front() == '[' && trimmed.back() == ']') {
            file.sections_.push_back({});
            current = &file.sections_.back();
            current->insertAt = 1;
            file.index_.emplace(trimmed.substr(1, trimmed.size() - 2), file.sections_.size() - 1);
        } else if (const auto equals = trimmed.find('='); current != &file.sections_.front() &&
                                                          equals != std::string::npos &&
                                                          trimmed.front() != ';' && trimmed.front() != '#') {
            current->keys.emplace(Trim(trimmed.substr(0, equals)), current->lines.size());
            current->insertAt = current->lines.size() + 1;
        }
        current->lines.push_back(std::move(line));
    }
    return file;
}

std::string IniFile::Text() const
{
    std::string text;
    for (const Section &section : sections_) {
        for (size_t i = 0; i < section.lines.size(); ++i) {
            if (i == section.insertAt)
                for (const std::string &line : section.added)
                    text += line + '\n';
            text += section.lines[i] + '\n';
        }
        if (section.insertAt >= section.lines.size())
            for (const std::string &line : section.added)
                text += line + '\n';
    }
    return text;
}

bool IniFile::Write(const std::string &path) const
{
    if (path.empty()) {
        errno = ENOENT;
        return false;
    }
    const std::string target = FileToReplace(path);
    const auto slash = target.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(target.substr(0, slash)))
        return false;
    const std::string text = Text();

    struct stat existing {};
    mode_t mode = 0;
    if (stat(target.c_str(), &existing) == 0) {
        mode = existing.st_mode & 07777;
    } else {
        const mode_t mask = umask(0);
        umask(mask);
        mode = 0666 & ~mask;
    }
    std::string temporary = target + ".XXXXXX";
    const int fd = mkstemp(temporary.data());
    if (fd < 0)
        return false;
    if (fchmod(fd, mode) != 0 || !WriteAll(fd, text) || fsync(fd) != 0) {
        CloseKeepingErrno(fd);
        const int saved = errno;
        unlink(temporary.c_str());
        errno = saved;
        return false;
    }
    if (close(fd) != 0 || rename(temporary.c_str(), target.c_str()) != 0) {
        const int saved = errno;
        unlink(temporary.c_str());
        errno = saved;
        return false;
    }
    return true;
}

const IniFile::Section *IniFile::Find(const std::string &name) const
{
    const auto found = index_.find(name);
    return found == index_.end() ? nullptr : &sections_[found->second];
}

std::optional<std::string> IniFile::Value(const std::string &section, const std::string &key) const
{
    const Section *found = Find(section);
    if (!found)
        return std::nullopt;
    const auto line = found->keys.find(key);
    if (line == found->keys.end())
        return std::nullopt;
    const std::string &text = found->Line(line->second);
    return Trim(text.substr(text.find('=') + 1));
}

void IniFile::SetValue(const std::string &section, const std::string &key, const std::string &value)
{
    auto [where, created] = index_.emplace(section, sections_.size());
    if (created) {
        sections_.push_back({});
        sections_.back().lines.push_back('[' + section + ']');
        sections_.back().insertAt = 1;
    }
    Section &found = sections_[where->second];
    if (const auto line = found.keys.find(key); line != found.keys.end()) {
        std::string &text = found.Line(line->second);
        // An unchanged value keeps its line as the user wrote it.
        if (Trim(text.substr(text.find('=') + 1)) != value)
            text = key + '=' + value;
        return;
    }
    found.keys.emplace(key, found.lines.size() + found.added.size());
    found.added.push_back(key + '=' + value);
}

std::string IniFile::SectionName(const std::string &prefix, const std::string &text)
{
    std::string name = prefix;
    for (const char c : text)
        name += (c == ']' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    return Trim(name);
}

} // namespace cdrip
