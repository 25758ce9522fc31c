#pragma once
// Deterministic 44.1 kHz, 16-bit stereo synthesis of a track's notes.

#include "disc_layout.h"

#include <vector>

namespace discgen {

// track.sectors × 2352 bytes of little-endian stereo samples. Never silent: every note sounds
// from its first sample and the notes loop until the track ends.
std::vector<unsigned char> SynthesiseTrack(const Track &track);

} // namespace discgen
