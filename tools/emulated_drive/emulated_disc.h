#pragma once
// The disc in an emulated drive: an image read through libcdio, seen as a drive sees a pressed CD
// (TOC, CD-Text, raw sectors, data sectors).

#include <cstdint>
#include <string>
#include <vector>

#include <cdio_handle.h>

namespace emulated {

inline constexpr int32_t kRawBytes = 2352;
inline constexpr int32_t kDataBytes = 2048;
inline constexpr int32_t kSamplesPerSector = 588;

struct DiscTrack {
    int number = 0;
    int32_t start = 0; // LSN
    bool audio = true;
    uint8_t control = 0;   // Q-channel control nibble: 4 = data track
    int32_t userData = 16; // where a data sector's 2048 user bytes begin: 16 in mode 1, 24 in XA
};

class EmulatedDisc {
  public:
    // Empty (IsOpen false) when libcdio cannot read the image or it holds no track.
    explicit EmulatedDisc(const std::string &imagePath);

    bool IsOpen() const { return !tracks_.empty(); }
    const std::vector<DiscTrack> &Tracks() const { return tracks_; }
    int32_t LeadOut() const { return leadOut_; }
    // The track holding lsn, or nullptr (lead-in, lead-out).
    const DiscTrack *TrackAt(int32_t lsn) const;
    int32_t TrackEnd(const DiscTrack &track) const;
    // CD-Text packs of 18 bytes each (without the READ TOC header); empty when the image has none.
    const std::vector<uint8_t> &CdTextPacks() const { return cdText_; }

    // count raw sectors from lsn on, as the image holds them; sectors outside the disc read as
    // zeros. false on an I/O failure.
    bool ReadRaw(int32_t lsn, int32_t count, uint8_t *out) const;
    // Audio as a drive with this read offset returns it: sector lsn starts `offset` samples early.
    bool ReadAudio(int32_t lsn, int32_t count, int32_t offset, uint8_t *out) const;

  private:
    void BuildCdText();

    platform::CdioPtr cdio_;
    std::vector<DiscTrack> tracks_;
    int32_t leadOut_ = 0;
    std::vector<uint8_t> cdText_;
};

} // namespace emulated
