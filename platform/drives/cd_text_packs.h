#pragma once
// CD-Text as a disc's lead-in carries it and READ TOC format 5 returns it: 18-byte packs (type,
// track, sequence number, block and character position, 12 bytes of text, CRC), a block per
// language, each closed by its three size-information packs. Built here from the texts of an image
// (a cdrdao TOC's CD_TEXT, a cue sheet's TITLE and PERFORMER) for the virtual and emulated drives;
// the program decodes them (quavrel/disc/cd_text.h).

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace drives {

inline constexpr size_t kCdTextPackBytes = 18;

// Pack types that carry text.
enum : uint8_t {
    kCdTextTitle = 0x80,
    kCdTextPerformer = 0x81,
    kCdTextSongwriter = 0x82,
    kCdTextComposer = 0x83,
    kCdTextArranger = 0x84,
    kCdTextMessage = 0x85,
    kCdTextDiscId = 0x86,
    kCdTextUpcIsrc = 0x8E,
    kCdTextSizeInfo = 0x8F,
};

// Character codes of a block (its size information's first byte).
enum : uint8_t {
    kCdTextLatin1 = 0x00,
    kCdTextAscii = 0x01,
    kCdTextMsJis = 0x80,
};

// Text pack type -> the text, in the block's character code.
using CdTextItems = std::map<uint8_t, std::string>;

struct CdTextBlock {
    uint8_t language = 0x09; // 0x09 English, 0x0F French, 0x69 Japanese, ...
    uint8_t charset = kCdTextLatin1;
    // [0] the disc, [n] track n (counting from the first track).
    std::vector<CdTextItems> texts;
};

// CRC-16 of a pack's first 16 bytes (polynomial 0x1021, stored inverted, high byte first).
uint16_t CdTextPackCrc(const uint8_t *pack);

// The packs of the blocks (at most eight) for tracks firstTrack..lastTrack; empty without text. A
// pack type given for one track is given for all (an empty text where it was missing), as the
// format requires.
std::vector<uint8_t> EncodeCdText(const std::vector<CdTextBlock> &blocks, int firstTrack, int lastTrack);

} // namespace drives
