#pragma once
// The ripping library's settings file: an INI file of drive parameter records, one section per
// drive named "Drive " and the drive's description, plus "[CDRipper]" with the active drive.
//
//   [CDRipper]
//   ActiveDrive=QUAVREL Virtual CD-ROM 1.0 (demo.cue)
//   [Drive QUAVREL Virtual CD-ROM 1.0 (demo.cue)]
//   ChunkSectors=26
//   ...
//
// Every line the library does not own (comments, blank lines, unknown keys and sections, text it
// cannot parse) is written back where it was; a key that is set keeps its line, and a new key
// goes after the last key of its section. When a section name or a key appears twice, the first
// one is the one read and set.

#include <optional>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cdrip {

// Where the file named name lives: "<config dir>/Quavrel/name"; an absolute name is used as it
// is. Empty when there is no configuration directory.
std::string SettingsPath(const std::string &name);

class IniFile {
  public:
    // A missing file reads as an empty one. nullopt when a file exists at path but cannot be read
    // (no permission, an I/O error; EINVAL: not a regular file, never opened for reading, so a FIFO
    // cannot block; EFBIG: over platform::kSettingsFileLimit, 4 MiB); errno then says why.
    static std::optional<IniFile> Read(const std::string &path);
    // The file's text as Read takes it apart.
    static IniFile Parse(std::string_view text);
    // The text Write stores: every line read, in place, with the keys set since.
    std::string Text() const;
    // Replaces the file through a temporary file and a rename, creating the directory; an existing
    // file keeps its permissions, a symbolic link keeps pointing at the file it names. False on
    // failure, with errno set; the previous file is then untouched.
    bool Write(const std::string &path) const;

    std::optional<std::string> Value(const std::string &section, const std::string &key) const;
    void SetValue(const std::string &section, const std::string &key, const std::string &value);

    // A description as a section name: no ']' and no control characters.
    static std::string SectionName(const std::string &prefix, const std::string &text);

  private:
    struct Section {
        // As read, the "[name]" header first (none for the text before the first header).
        std::vector<std::string> lines;
        // New keys, written after line insertAt - 1 (the section's last key, or its header).
        std::vector<std::string> added;
        size_t insertAt = 0;
        // Key -> line: an index into lines, or lines.size() + an index into added.
        std::unordered_map<std::string, size_t> keys;

        std::string &Line(size_t index)
        {
            return index < lines.size() ? lines[index] : added[index - lines.size()];
        }
        const std::string &Line(size_t index) const
        {
            return index < lines.size() ? lines[index] : added[index - lines.size()];
        }
    };
    const Section *Find(const std::string &name) const;

    std::vector<Section> sections_{Section{}}; // [0]: the text before the first header
    std::unordered_map<std::string, size_t> index_;
};

} // namespace cdrip
