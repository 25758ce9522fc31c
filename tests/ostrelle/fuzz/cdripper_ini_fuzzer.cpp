// libFuzzer target: the ripping library's settings file (CDRipper.ini) on arbitrary bytes. Every
// line read is written back as it was, and a value set is the value read after a save.

#include "settings_file.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

namespace {

// A key and a value the library could write: a name of letters, a value without line ends or
// blanks at its ends.
std::string Word(std::string_view text, bool value)
{
    std::string word;
    for (const char c : text)
        if (value ? (c > ' ' && c < 0x7f) : ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')))
            word += c;
    return word;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *bytes, size_t size)
{
    const std::string_view text(reinterpret_cast<const char *>(bytes), size);
    cdrip::IniFile file = cdrip::IniFile::Parse(text);
    const std::string written = file.Text();
    if (written != std::string(text) + (text.empty() || text.back() == '\n' ? "" : "\n"))
        std::abort();

    // The first line of the input names what to set, as "section|key|value".
    const std::string_view first = text.substr(0, text.find('\n'));
    const size_t bar1 = first.find('|');
    const size_t bar2 = bar1 == std::string_view::npos ? bar1 : first.find('|', bar1 + 1);
    if (bar2 == std::string_view::npos)
        return 0;
    const std::string section = cdrip::IniFile::SectionName("Drive ", std::string(first.substr(0, bar1)));
    const std::string key = Word(first.substr(bar1 + 1, bar2 - bar1 - 1), false);
    const std::string value = Word(first.substr(bar2 + 1), true);
    if (key.empty())
        return 0;
    file.SetValue(section, key, value);
    if (file.Value(section, key) != value)
        std::abort();
    const cdrip::IniFile again = cdrip::IniFile::Parse(file.Text());
    if (again.Value(section, key) != value)
        std::abort();
    return 0;
}
