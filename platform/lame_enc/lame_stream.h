#pragma once
// One MP3 stream: a libmp3lame encoder configured from a BE_CONFIG record.

#include "lame_enc.h"

#include <memory>

#include <lame/lame.h>

namespace lame_enc {

struct LameDeleter {
    void operator()(lame_global_flags *flags) const { lame_close(flags); }
};
using LamePtr = std::unique_ptr<lame_global_flags, LameDeleter>;

class LameStream {
  public:
    // Checks the record and sets up an encoder; BE_ERR_SUCCESSFUL and *stream on success.
    static BE_ERR Open(const BE_CONFIG &config, std::unique_ptr<LameStream> *stream);

    uint32_t SamplesPerChunk() const { return samplesPerChunk_; }
    uint32_t BufferSize() const { return bufferSize_; }

    BE_ERR Encode(uint32_t nSamples, const int16_t *samples, uint8_t *output, uint32_t *outBytes);
    BE_ERR Flush(uint8_t *output, uint32_t *outBytes);
    BE_ERR WriteInfoTag(const char *fileName) const;

  private:
    LameStream(LamePtr lame, int channels, uint32_t samplesPerChunk, uint32_t bufferSize);

    LamePtr lame_;
    int channels_;
    uint32_t samplesPerChunk_;
    uint32_t bufferSize_;
    bool flushed_ = false;
};

} // namespace lame_enc
