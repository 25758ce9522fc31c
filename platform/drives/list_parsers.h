#pragma once
// The texts of the user's that the catalogue takes apart: the drives list and the data files a
// disc image names. Pure functions of the text, so that they can be fuzzed.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace drives {

// The image paths of a drives list, one a line: blank lines and lines whose first non-blank
// character is '#' are skipped, blanks around a path and a CR before the line end dropped; a
// relative path is taken relative to dir.
std::vector<std::string> ParseDriveList(std::string_view text, const std::string &dir);

// The data files an image's text names, as written there, in order: the FILE lines (and the
// CDTEXTFILE) of a cue sheet, or (cdrdao true) the FILE, AUDIOFILE and DATAFILE statements of a
// cdrdao TOC file. A name is quoted ("a b.bin", with \" and \\ escapes) or, in a cue sheet, the
// text up to the last blank before the file type.
std::vector<std::string> ImageDataFiles(std::string_view text, bool cdrdao);

// The silences a cue sheet adds to a track that its file does not hold, in sectors.
struct CueGap {
    int track = 0;
    int32_t pregap = 0;  // PREGAP: before the track's data
    int32_t postgap = 0; // POSTGAP: after it
};
// The tracks of a cue sheet with a PREGAP or a POSTGAP, in order.
std::vector<CueGap> CueSheetGaps(std::string_view text);
// The CDTEXTFILE a cue sheet names, as written there; empty when none.
std::string CueCdTextFile(std::string_view text);

} // namespace drives
