#pragma once
// The 44-byte header of a PCM WAV file.

#include <array>
#include <cstdint>

using WavHeader = std::array<uint8_t, 44>;

// A header for DataBytes bytes of 16-bit PCM.
WavHeader MakeWavHeader(int Channels, int Rate, uint32_t DataBytes);

// Offsets of the two size fields, patched once the data's real length is known.
inline constexpr int kWavRiffSizeOffset = 4;
inline constexpr int kWavDataSizeOffset = 40;
