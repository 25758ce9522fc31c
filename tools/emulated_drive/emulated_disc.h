#pragma once
// The disc in an emulated drive: an image read through the catalogue's own description of it
// (drives::DiscImage), seen as a drive sees a pressed CD (TOC, index points, ISRCs, catalogue
// number, CD-Text, raw sectors, data sectors).

#include <cstdint>
#include <disc_image.h>
#include <memory>
#include <string>
#include <vector>

namespace emulated {

inline constexpr int32_t kRawBytes = 2352;
inline constexpr int32_t kDataBytes = 2048;
inline constexpr int32_t kSamplesPerSector = 588;

struct DiscTrack {
    int number = 0;
    int32_t start = 0;            // LSN of INDEX 01
    int32_t pregap = 0;           // LSN of INDEX 00; start when none
    std::vector<int32_t> indexes; // INDEX 02, ...
    bool audio = true;
    uint8_t control = 0;   // Q-channel control nibble: 4 = data track, 1 = pre-emphasis, 2 = copy
    int32_t userData = 16; // where a data sector's 2048 user bytes begin: 16 in mode 1, 24 in XA
    std::string isrc;
};

class EmulatedDisc {
  public:
    explicit EmulatedDisc(std::unique_ptr<drives::DiscImage> image);

    const std::vector<DiscTrack> &Tracks() const { return tracks_; }
    int32_t LeadOut() const { return leadOut_; }
    // The track holding lsn from its INDEX 01 on, or nullptr (lead-in, lead-out).
    const DiscTrack *TrackAt(int32_t lsn) const;
    // The track whose sub-channel lsn carries: its pre-gap counts with it.
    const DiscTrack *QTrackAt(int32_t lsn) const;
    int32_t TrackEnd(const DiscTrack &track) const;
    const std::string &Catalog() const { return image_->Catalog(); }
    // CD-Text packs of 18 bytes each (without the READ TOC header); empty when the image has none.
    const std::vector<uint8_t> &CdTextPacks() const { return image_->CdTextPacks(); }

    // count raw sectors from lsn on, as the image holds them; sectors outside the disc read as
    // zeros. false on an I/O failure.
    bool ReadRaw(int32_t lsn, int32_t count, uint8_t *out) const;
    // Audio as a drive with this read offset returns it: sector lsn starts `offset` samples early.
    bool ReadAudio(int32_t lsn, int32_t count, int32_t offset, uint8_t *out) const;

  private:
    std::unique_ptr<drives::DiscImage> image_;
    std::vector<DiscTrack> tracks_;
    int32_t leadOut_ = 0;
};

} // namespace emulated
