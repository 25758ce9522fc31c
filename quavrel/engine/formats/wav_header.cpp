#include "quavrel/engine/formats/wav_header.h"

#include <cstring>

namespace {

void PutLE(uint8_t *at, uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        at[i] = static_cast<uint8_t>(value >> (8 * i));
}

} // namespace

WavHeader MakeWavHeader(int Channels, int Rate, uint32_t DataBytes)
{
    WavHeader h{};
    const uint32_t byteRate = static_cast<uint32_t>(Channels * Rate * 2);
    std::memcpy(&h[0], "RIFF", 4);
    PutLE(&h[kWavRiffSizeOffset], DataBytes + 36, 4);
    std::memcpy(&h[8], "WAVE", 4);
    std::memcpy(&h[12], "fmt ", 4);
    PutLE(&h[16], 16, 4);
    PutLE(&h[20], 1, 2);
    PutLE(&h[22], static_cast<uint32_t>(Channels), 2);
    PutLE(&h[24], static_cast<uint32_t>(Rate), 4);
    PutLE(&h[28], byteRate, 4);
    PutLE(&h[32], static_cast<uint32_t>(Channels * 2), 2);
    PutLE(&h[34], 16, 2);
    std::memcpy(&h[36], "data", 4);
    PutLE(&h[kWavDataSizeOffset], DataBytes, 4);
    return h;
}
