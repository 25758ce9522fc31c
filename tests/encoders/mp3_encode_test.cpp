// MP3 files made through TLameCoder, checked by independent decoders (mpg123, ffprobe).

#include "audio_support.h"
#include "quavrel/engine/bindings/lame_coder.h"

#include <cstdio>
#include <cstring>
#include <string>

#include <gtest/gtest.h>

namespace {

using encoders_test::Quoted;
using encoders_test::Shell;

struct Mp3Case {
    const char *name;
    uint32_t rate;
    TLameMode mode;
    uint32_t bitrate;
    bool vbr;
    double minSnr; // dB
};

// Encodes pcm chunk by chunk as a ripper does (the last chunk shorter) and writes the file.
void EncodeFile(TLameCoder &coder, const std::vector<int16_t> &pcm, const std::filesystem::path &file)
{
    ASSERT_EQ(coder.InitStream(), BE_ERR_SUCCESSFUL);
    const uint32_t chunk = coder.Samples();
    ASSERT_GT(chunk, 0u);
    ASSERT_NE(coder.OutBuffer(), nullptr);
    std::vector<uint8_t> output(coder.OutSize());
    FILE *out = std::fopen(file.c_str(), "wb");
    ASSERT_NE(out, nullptr);
    uint32_t bytes = 0;
    for (size_t offset = 0; offset < pcm.size(); offset += chunk) {
        const auto count = static_cast<uint32_t>(std::min<size_t>(chunk, pcm.size() - offset));
        const BE_ERR result = count == chunk
                                  ? coder.EncodeChunk(pcm.data() + offset, output.data(), &bytes)
                                  : coder.EncodeChunk(count, pcm.data() + offset, output.data(), &bytes);
        ASSERT_EQ(result, BE_ERR_SUCCESSFUL);
        ASSERT_LE(bytes, output.size());
        std::fwrite(output.data(), 1, bytes, out);
    }
    ASSERT_EQ(coder.DeinitStream(output.data(), &bytes), BE_ERR_SUCCESSFUL);
    std::fwrite(output.data(), 1, bytes, out);
    std::fclose(out);
    if (coder.WriteVBRHeader()) {
        ASSERT_EQ(coder.WriteInfoTag(QString::fromStdString(file.string())), BE_ERR_SUCCESSFUL);
    }
    ASSERT_EQ(coder.CloseStream(), BE_ERR_SUCCESSFUL);
}

double ProbedDuration(const std::filesystem::path &file)
{
    const auto probe = Shell("ffprobe -v error -show_entries format=duration -of csv=p=0 " + Quoted(file));
    return probe.status == 0 ? std::stod(probe.output) : -1;
}

class Mp3Encoding : public testing::TestWithParam<Mp3Case> {};

TEST_P(Mp3Encoding, DecodesToTheSourceAudio)
{
    const Mp3Case &c = GetParam();
    const int channels = c.mode == TLameMode::MONO ? 1 : 2;
    const double seconds = 3.3; // not a whole number of chunks
    const auto pcm = encoders_test::TestPcm(channels, static_cast<int>(c.rate), seconds);
    encoders_test::TempDir dir;
    const auto mp3 = dir / "track.mp3";

    TLameCoder coder;
    coder.SetSampleRate(c.rate);
    coder.SetMode(c.mode);
    coder.SetBitrate(c.bitrate);
    coder.SetEnableVBR(c.vbr);
    EncodeFile(coder, pcm, mp3);
    if (HasFatalFailure())
        return;

    const auto stream =
        Shell("ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate,channels "
              "-of csv=p=0 " +
              Quoted(mp3));
    ASSERT_EQ(stream.status, 0);
    EXPECT_EQ(stream.output, std::to_string(c.rate) + "," + std::to_string(channels) + "\n");
    const double frameSeconds = (c.rate >= 32000 ? 1152.0 : 576.0) / c.rate;
    // The stream's duration counts whole frames: the encoder's delay (576 samples) and the
    // synthesis filter's (529) are part of it. Only a decoder reading the Info frame (mpg123,
    // below) trims them. A VBR stream's duration is right only with a right Xing frame.
    const double codecDelay = (576.0 + 529.0) / c.rate;
    EXPECT_NEAR(ProbedDuration(mp3), seconds + codecDelay, frameSeconds);

    const auto raw = dir / "decoded.raw";
    ASSERT_EQ(Shell("mpg123 -q -s " + Quoted(mp3) + " > " + Quoted(raw)).status, 0);
    const auto decoded = encoders_test::ReadSamples(raw);
    const auto frames = static_cast<long>(pcm.size() / channels);
    const auto decodedFrames = static_cast<long>(decoded.size() / channels);
    int lag = 0;
    const double snr = encoders_test::AlignedSnr(pcm, decoded, channels, 3000, &lag);
    EXPECT_GE(snr, c.minSnr);
    if (coder.WriteVBRHeader()) {
        // The Info frame's delay and padding let the decoder give back exactly the source.
        EXPECT_EQ(lag, 0);
        EXPECT_EQ(decodedFrames, frames);
    } else {
        EXPECT_NEAR(decodedFrames - lag, frames, 2 * frameSeconds * c.rate);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Settings, Mp3Encoding,
    testing::Values(Mp3Case{"Cbr320Stereo44100", 44100, TLameMode::STEREO, 320, false, 30},
                    Mp3Case{"VbrWithHeader", 44100, TLameMode::JSTEREO, 128, true, 20},
                    Mp3Case{"Mono44100", 44100, TLameMode::MONO, 128, false, 20},
                    Mp3Case{"Stereo22050", 22050, TLameMode::STEREO, 128, false, 20},
                    Mp3Case{"Stereo32000", 32000, TLameMode::STEREO, 128, false, 20}),
    [](const testing::TestParamInfo<Mp3Case> &param) { return std::string(param.param.name); });

TEST(Mp3Encoding, ResampledStreamKeepsItsDuration)
{
    const double seconds = 2.5;
    const auto pcm = encoders_test::TestPcm(2, 44100, seconds);
    encoders_test::TempDir dir;
    const auto mp3 = dir / "resampled.mp3";
    TLameCoder coder;
    coder.SetReSampleRate(22050);
    EncodeFile(coder, pcm, mp3);
    if (HasFatalFailure())
        return;
    const auto stream = Shell("ffprobe -v error -select_streams a:0 -show_entries stream=sample_rate "
                              "-of csv=p=0 " +
                              Quoted(mp3));
    EXPECT_EQ(stream.output, "22050\n");
    EXPECT_NEAR(ProbedDuration(mp3), seconds + 1105.0 / 22050, 576.0 / 22050);
}

TEST(Mp3Encoding, InfoTagLeavesAForeignFileAlone)
{
    encoders_test::TempDir dir;
    const auto foreign = dir / "foreign.bin";
    {
        FILE *f = std::fopen(foreign.c_str(), "wb");
        ASSERT_NE(f, nullptr);
        std::fputs(std::string(4096, 'x').c_str(), f);
        std::fclose(f);
    }
    TLameCoder coder;
    coder.SetEnableVBR(true);
    ASSERT_EQ(coder.InitStream(), BE_ERR_SUCCESSFUL);
    std::vector<int16_t> pcm(coder.Samples(), 1000);
    std::vector<uint8_t> output(coder.OutSize());
    uint32_t bytes = 0;
    ASSERT_EQ(coder.EncodeChunk(pcm.data(), output.data(), &bytes), BE_ERR_SUCCESSFUL);
    // Before the flush the frame is not final.
    EXPECT_EQ(coder.WriteInfoTag(QString::fromStdString(foreign.string())), BE_ERR_INVALID_FORMAT_PARAMETERS);
    ASSERT_EQ(coder.DeinitStream(output.data(), &bytes), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(coder.WriteInfoTag(QString::fromStdString(foreign.string())), BE_ERR_FILE);
    EXPECT_EQ(encoders_test::ReadFile(foreign), std::vector<uint8_t>(4096, 'x'));
    EXPECT_EQ(coder.WriteInfoTag(QString::fromStdString((dir / "missing.mp3").string())), BE_ERR_FILE);
    EXPECT_EQ(coder.CloseStream(), BE_ERR_SUCCESSFUL);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.mp3"));
}

TEST(Mp3Encoding, LibraryRefusesWhatItCannotHonour)
{
    TLameCoder coder;
    BE_CONFIG config = coder.ConfigRecord();
    uint32_t samples = 0, outSize = 0;
    HBE_STREAM stream = 0;
    config.dwConfig = 0;
    EXPECT_EQ(beInitStream(&config, &samples, &outSize, &stream), BE_ERR_INVALID_FORMAT);
    config = coder.ConfigRecord();
    config.nMode = 4;
    EXPECT_EQ(beInitStream(&config, &samples, &outSize, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);
    config = coder.ConfigRecord();
    config.dwSampleRate = 44000; // not an MP3 rate, and no resampling asked
    EXPECT_EQ(beInitStream(&config, &samples, &outSize, &stream), BE_ERR_INVALID_FORMAT_PARAMETERS);

    ASSERT_EQ(coder.InitStream(), BE_ERR_SUCCESSFUL);
    EXPECT_EQ(coder.Samples(), 2304u); // one 1152-sample frame of both channels
    std::vector<int16_t> pcm(coder.Samples() + 2);
    std::vector<uint8_t> output(coder.OutSize());
    uint32_t bytes = 0;
    EXPECT_EQ(coder.EncodeChunk(coder.Samples() + 2, pcm.data(), output.data(), &bytes),
              BE_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(coder.EncodeChunk(3, pcm.data(), output.data(), &bytes), BE_ERR_INVALID_FORMAT_PARAMETERS);
    ASSERT_EQ(coder.CloseStream(), BE_ERR_SUCCESSFUL);
    // A closed stream takes nothing, and closing it again is an error, not a crash.
    EXPECT_EQ(coder.EncodeChunk(pcm.data(), output.data(), &bytes), BE_ERR_INVALID_HANDLE);
    EXPECT_EQ(coder.CloseStream(), BE_ERR_INVALID_HANDLE);
}

} // namespace
