#pragma once
// The one description of a disc image that every layer reading images goes through (the
// catalogue's virtual drives and the emulated drive): its tracks with their index points, flags and
// ISRCs, the catalogue number, the CD-Text packs, and its sectors.
//
// CUE/BIN and NRG are read by libcdio, with what libcdio 2.1 leaves out of a cue sheet added here:
// its PREGAP and POSTGAP silences (libcdio skips them, shifting every later track) and the packs of
// its CDTEXTFILE. A cdrdao TOC is read by our own reader (cdrdao_toc.h), its files found from the
// TOC's own folder.
//
// Not thread-safe: the catalogue and the emulated drive call it under their locks.

#include "cd_text_packs.h"
#include "cdio_image.h"
#include "drive_catalogue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace drives {

struct ImageTrack {
    int number = 0;
    int32_t start = 0;            // INDEX 01: where the track starts in the table of contents
    int32_t pregap = 0;           // the first sector of its INDEX 00; start when it has no pre-gap
    std::vector<int32_t> indexes; // INDEX 02, 03, ... as sectors
    bool audio = true;
    bool xa = false; // mode 2: a data sector's user data begins at byte 24, not 16
    bool copyPermitted = false;
    bool preEmphasis = false;
    bool fourChannel = false;
    std::string isrc; // 12 characters, or empty

    // The Q sub-channel's control nibble: 8 four channels, 4 data, 2 copy permitted, 1 pre-emphasis.
    uint8_t Control() const;
};

class DiscImage {
  public:
    // Opens the image (CUE/BIN, NRG, cdrdao TOC) and checks that every file it names is a regular
    // file and holds all its data; nullptr with Problem otherwise, in French with the file at
    // fault ("fichier audio tronqué : …", "image illisible : …").
    static std::unique_ptr<DiscImage> Open(const std::string &path, std::string &Problem);
    ~DiscImage();
    DiscImage(const DiscImage &) = delete;
    DiscImage &operator=(const DiscImage &) = delete;

    const std::vector<ImageTrack> &Tracks() const { return tracks_; }
    int32_t LeadOut() const { return leadOut_; }
    // The catalogue number (13 digits), or empty.
    const std::string &Catalog() const { return catalog_; }
    // As READ TOC format 5 gives them, without its header; empty when the image has no CD-Text.
    const std::vector<uint8_t> &CdTextPacks() const { return cdText_; }
    DiscToc Toc() const;

    // count raw 2352-byte sectors from lsn on, all inside the disc: audio as little-endian samples,
    // data sectors whole (sync and header made up for a TOC's modes whose files hold less). False
    // on an I/O failure or a range outside the disc.
    bool ReadSectors(int32_t lsn, int32_t count, void *buffer) const;

    struct Source; // how the sectors are read: through libcdio, or from a TOC's files

  private:
    DiscImage();

    std::vector<ImageTrack> tracks_;
    int32_t leadOut_ = 0;
    std::string catalog_;
    std::vector<uint8_t> cdText_;
    std::unique_ptr<Source> source_;
};

} // namespace drives
