#pragma once
// One decoding stream over an Ogg Vorbis file.

#include "vorbis_dll.h"

#include <memory>

#include <vorbis/vorbisfile.h>

namespace vorbis_dll {

class VorbisDecoder {
  public:
    static VB_ERR Open(const char *fileName, VB_DECINFO *info, std::unique_ptr<VorbisDecoder> *decoder);

    ~VorbisDecoder() { ov_clear(&file_); }
    VorbisDecoder(const VorbisDecoder &) = delete;
    VorbisDecoder &operator=(const VorbisDecoder &) = delete;

    VB_ERR Read(int16_t *samples, uint32_t nSamples, uint32_t *read);
    VB_ERR Seek(uint64_t frame);

  private:
    VorbisDecoder() = default;

    OggVorbis_File file_{};
    uint32_t channels_ = 0;
};

} // namespace vorbis_dll
