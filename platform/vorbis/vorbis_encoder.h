#pragma once
// One encoding stream: 16-bit PCM in, complete Ogg pages out.

#include "vorbis_dll.h"

#include <memory>
#include <vector>

#include <ogg/ogg.h>
#include <vorbis/codec.h>

namespace vorbis_dll {

class VorbisEncoder {
  public:
    // Checks the records and sets up the encoder; VB_ERR_SUCCESSFUL and *encoder on success.
    static VB_ERR Open(const VB_CONFIG &config, const VB_TAG *tag, std::unique_ptr<VorbisEncoder> *encoder);

    ~VorbisEncoder();
    VorbisEncoder(const VorbisEncoder &) = delete;
    VorbisEncoder &operator=(const VorbisEncoder &) = delete;

    uint32_t SamplesPerWrite() const { return samplesPerWrite_; }
    uint32_t BufferSize() const { return bufferSize_; }

    VB_ERR Write(uint32_t nSamples, const int16_t *samples, uint8_t *output, uint32_t *outBytes);
    // Ends the stream; the encoder takes nothing more.
    VB_ERR Close(uint8_t *output, uint32_t *outBytes);

  private:
    VorbisEncoder() = default;

    VB_ERR Start(const VB_CONFIG &config, const VB_TAG *tag);
    void Drain();
    void Append(const ogg_page &page);
    // Hands out as many pending bytes as the caller's buffer holds; true when none are left.
    bool Deliver(uint8_t *output, uint32_t *outBytes);

    vorbis_info info_{};
    vorbis_comment comment_{};
    vorbis_dsp_state dsp_{};
    vorbis_block block_{};
    ogg_stream_state ogg_{};
    bool infoReady_ = false;
    bool dspReady_ = false;
    bool blockReady_ = false;
    bool oggReady_ = false;
    bool ended_ = false;

    uint32_t channels_ = 0;
    uint32_t samplesPerWrite_ = 0;
    uint32_t bufferSize_ = 0;
    // Pages made but not yet handed out: the headers until the first call, otherwise nothing
    // once a call returns.
    std::vector<uint8_t> pending_;
};

} // namespace vorbis_dll
