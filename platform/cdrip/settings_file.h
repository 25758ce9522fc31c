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
// Sections and keys the library does not know are kept when it saves.

#include <map>
#include <optional>
#include <string>
#include <vector>

namespace cdrip {

// Where the file named name lives: "$XDG_CONFIG_HOME/Quavrel/name" ("~/.config" when
// XDG_CONFIG_HOME is unset or relative); an absolute name is used as it is. Empty when there is
// no home directory.
std::string SettingsPath(const std::string &name);

class IniFile {
  public:
    // An empty file when path does not exist or cannot be read.
    static IniFile Read(const std::string &path);
    // Writes through a temporary file and a rename, creating the directory; false on failure
    // (the previous file is then untouched).
    bool Write(const std::string &path) const;

    std::optional<std::string> Value(const std::string &section, const std::string &key) const;
    void SetValue(const std::string &section, const std::string &key, const std::string &value);

    // A description as a section name: no ']' and no control characters.
    static std::string SectionName(const std::string &prefix, const std::string &text);

  private:
    struct Section {
        std::string name;
        std::vector<std::pair<std::string, std::string>> entries;
    };
    Section *Find(const std::string &name);
    const Section *Find(const std::string &name) const;

    std::vector<Section> sections_;
};

} // namespace cdrip
