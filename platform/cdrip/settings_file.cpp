#include "settings_file.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
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

} // namespace

std::string SettingsPath(const std::string &name)
{
    if (!name.empty() && name.front() == '/')
        return name;
    std::string base;
    if (const char *xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        base = xdg;
    else if (const char *home = std::getenv("HOME"); home && home[0] == '/')
        base = std::string(home) + "/.config";
    else
        return {}; // nowhere to keep settings: reading finds nothing, saving fails
    return base + "/Quavrel/" + (name.empty() ? std::string("CDRipper.ini") : name);
}

IniFile IniFile::Read(const std::string &path)
{
    IniFile file;
    std::ifstream in(path);
    std::string line;
    Section *current = nullptr;
    while (std::getline(in, line)) {
        line = Trim(line);
        if (line.empty() || line.front() == ';' || line.front() == '#')
            continue;
        if (line.front() == '[' && line.back() == ']') {
            const std::string name = line.substr(1, line.size() - 2);
            current = file.Find(name);
            if (!current) {
                file.sections_.push_back({name, {}});
                current = &file.sections_.back();
            }
            continue;
        }
        const auto equals = line.find('=');
        if (!current || equals == std::string::npos)
            continue; // not ours to understand; dropped rather than guessed at
        current->entries.emplace_back(Trim(line.substr(0, equals)), Trim(line.substr(equals + 1)));
    }
    return file;
}

bool IniFile::Write(const std::string &path) const
{
    if (path.empty())
        return false;
    const auto slash = path.rfind('/');
    if (slash != std::string::npos && slash > 0 && !MakeDirectories(path.substr(0, slash)))
        return false;
    std::ostringstream text;
    for (const Section &section : sections_) {
        text << '[' << section.name << "]\n";
        for (const auto &[key, value] : section.entries)
            text << key << '=' << value << '\n';
    }
    const std::string temporary = path + ".tmp";
    {
        std::ofstream out(temporary, std::ios::trunc);
        out << text.str();
        out.flush();
        if (!out) {
            std::remove(temporary.c_str());
            return false;
        }
    }
    if (std::rename(temporary.c_str(), path.c_str()) != 0) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

std::optional<std::string> IniFile::Value(const std::string &section, const std::string &key) const
{
    if (const Section *found = Find(section))
        for (const auto &[name, value] : found->entries)
            if (name == key)
                return value;
    return std::nullopt;
}

void IniFile::SetValue(const std::string &section, const std::string &key, const std::string &value)
{
    Section *found = Find(section);
    if (!found) {
        sections_.push_back({section, {}});
        found = &sections_.back();
    }
    for (auto &[name, existing] : found->entries) {
        if (name == key) {
            existing = value;
            return;
        }
    }
    found->entries.emplace_back(key, value);
}

std::string IniFile::SectionName(const std::string &prefix, const std::string &text)
{
    std::string name = prefix;
    for (const char c : text)
        name += (c == ']' || static_cast<unsigned char>(c) < 0x20) ? '_' : c;
    return Trim(name);
}

IniFile::Section *IniFile::Find(const std::string &name)
{
    for (Section &section : sections_)
        if (section.name == name)
            return &section;
    return nullptr;
}

const IniFile::Section *IniFile::Find(const std::string &name) const
{
    for (const Section &section : sections_)
        if (section.name == name)
            return &section;
    return nullptr;
}

} // namespace cdrip
