#pragma once
// Turns raw CD sectors (44100 Hz, stereo, 16-bit little-endian) into the output format of the
// parameter record: mono is the mean of both channels, lower rates the mean of 2 or 4 frames.

#include <cstdint>

namespace cdrip {

inline constexpr int32_t kRawSectorBytes = 2352;
inline constexpr int32_t kOutputFormatCount = 6;

// Bytes one sector takes in format (0..5): 2352, 1176, 1176, 588, 588, 294.
int32_t SectorBytes(int32_t format);

// Converts one raw sector into out (SectorBytes(format) bytes); returns the bytes written.
int32_t ConvertSector(const int16_t *raw, int32_t format, uint8_t *out);

// Lowest and highest sample of a raw sector (both 0 for silence).
struct SampleRange {
    int16_t low = 0;
    int16_t high = 0;
    bool Silent() const { return low == 0 && high == 0; }
    // Largest absolute value.
    int32_t Peak() const { return high > -int32_t{low} ? int32_t{high} : -int32_t{low}; }
};
SampleRange SectorRange(const int16_t *sector);

// Scales samples by factor, clipping to the 16-bit range.
void Normalize(int16_t *samples, int32_t count, double factor);

} // namespace cdrip
