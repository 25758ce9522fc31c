#pragma once
// Packed minute-second-frame values: minutes in bits 16..23, seconds in bits 8..15, frames
// (1/75 s) in bits 0..7. A position counts from the start of the disc, 150-frame lead-in
// included; a length has no offset.

#include <cstdint>

// minutes × 4500 + seconds × 75 + frames − 150.
int32_t MSFToLBA(uint32_t Msf);
// The position of Sector. Positions before the disc's start give 00:00:00; beyond 255 minutes,
// 255:59:74.
uint32_t LBAToMSF(int32_t Sector);
// The length of Count frames, clamped like LBAToMSF.
uint32_t FramesToMSF(int32_t Count);
