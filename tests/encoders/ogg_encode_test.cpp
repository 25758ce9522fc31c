// Ogg Vorbis files made through the vb operations of the loaded library, checked by ogginfo,
// vorbiscomment and oggdec.

#include "audio_support.h"
#include "quavrel/engine/bindings/vorbis_binding.h"

#include <cmath>
#include <cstdio>

#include <gtest/gtest.h>

namespace {

using encoders_test::Quoted;
using encoders_test::Shell;

class OggEncoding : public testing::Test {
  protected:
    void SetUp() override
    {
        setenv("QUAVREL_LIBRARY_PATH", encoders_test::BuildBinDir().c_str(), 1);
        setenv("QUAVREL_LIBRARY_PATH_ONLY", "1", 1);
        ASSERT_TRUE(LoadVorbis());
    }
    void TearDown() override
    {
        UnloadVorbis();
        unsetenv("QUAVREL_LIBRARY_PATH");
        unsetenv("QUAVREL_LIBRARY_PATH_ONLY");
    }

    // Writes pcm as the Ogg rip does: blocks of S samples, the last one shorter.
    void Encode(VB_CONFIG config, VB_TAG *tag, const std::vector<int16_t> &pcm,
                const std::filesystem::path &file)
    {
        uint32_t samples = 0, outSize = 0;
        HVB_STREAM stream = 0;
        ASSERT_EQ(vbEncOpen(&config, tag, &samples, &outSize, &stream), VB_ERR_SUCCESSFUL);
        ASSERT_GT(samples, 0u);
        std::vector<uint8_t> output(outSize);
        FILE *out = std::fopen(file.c_str(), "wb");
        ASSERT_NE(out, nullptr);
        uint32_t bytes = 0;
        for (size_t offset = 0; offset < pcm.size(); offset += samples) {
            const auto count = static_cast<uint32_t>(std::min<size_t>(samples, pcm.size() - offset));
            ASSERT_EQ(vbEncWrite(stream, count, pcm.data() + offset, output.data(), &bytes),
                      VB_ERR_SUCCESSFUL);
            std::fwrite(output.data(), 1, bytes, out);
        }
        ASSERT_EQ(vbEncClose(stream, output.data(), &bytes), VB_ERR_SUCCESSFUL);
        std::fwrite(output.data(), 1, bytes, out);
        std::fclose(out);
    }

    encoders_test::TempDir dir_;
};

TEST_F(OggEncoding, StreamIsValidAndDecodesToTheExactLength)
{
    for (const int quality : {0, 10}) {
        SCOPED_TRACE(quality);
        const auto pcm = encoders_test::TestPcm(2, 44100, 4.321);
        const auto ogg = dir_ / ("q" + std::to_string(quality) + ".ogg");
        Encode(VorbisFormatRecord(quality), nullptr, pcm, ogg);
        if (HasFatalFailure())
            return;
        const auto info = Shell("ogginfo " + Quoted(ogg));
        EXPECT_EQ(info.status, 0) << info.output;
        EXPECT_EQ(info.output.find("WARNING"), std::string::npos) << info.output;

        const auto raw = dir_ / "decoded.raw";
        ASSERT_EQ(Shell("oggdec -Q -R -o " + Quoted(raw) + " " + Quoted(ogg)).status, 0);
        const auto decoded = encoders_test::ReadSamples(raw);
        ASSERT_EQ(decoded.size(), pcm.size());
        int lag = -1;
        EXPECT_GE(encoders_test::AlignedSnr(pcm, decoded, 2, 50, &lag), quality == 10 ? 30 : 10);
        EXPECT_EQ(lag, 0);
    }
    // The quality reaches the encoder.
    EXPECT_GT(std::filesystem::file_size(dir_ / "q10.ogg"), 2 * std::filesystem::file_size(dir_ / "q0.ogg"));
}

TEST_F(OggEncoding, CommentsCarryTheTags)
{
    VB_TAG tag{};
    tag.dwStructSize = sizeof tag;
    tag.dwStructVersion = 1;
    tag.lpszArtist = "Les Ondes Martenot";
    tag.lpszAlbum = "D\xc3\xa9j\xc3\xa0 vu"; // UTF-8
    tag.lpszTitle = "Caf\xe9 cr\xe8me \x80"; // Windows-1252
    tag.lpszComment = "Encoder DLL : Ver 1.00";
    tag.dwTrackNumber = 3;
    tag.dwTrackTotal = 12;
    tag.lpszGenre = "Blue";
    tag.lpszEncodedBy = "";
    tag.lpszEncodingTime = "14:05:09";
    const auto ogg = dir_ / "tagged.ogg";
    Encode(VorbisFormatRecord(5), &tag, encoders_test::TestPcm(2, 44100, 0.5), ogg);
    if (HasFatalFailure())
        return;
    const auto listed = Shell("vorbiscomment -l " + Quoted(ogg));
    ASSERT_EQ(listed.status, 0);
    EXPECT_EQ(listed.output, "ARTIST=Les Ondes Martenot\n"
                             "ALBUM=D\xc3\xa9j\xc3\xa0 vu\n"
                             "TITLE=Caf\xc3\xa9 cr\xc3\xa8me \xe2\x82\xac\n"
                             "COMMENT=Encoder DLL : Ver 1.00\n"
                             "TRACKNUMBER=3\n"
                             "TRACKTOTAL=12\n"
                             "GENRE=Blue\n"
                             "ENCODING_TIME=14:05:09\n");
}

TEST_F(OggEncoding, DecodingOperationsReadBackAndSeek)
{
    const auto pcm = encoders_test::TestPcm(2, 44100, 2.0);
    const auto ogg = dir_ / "read.ogg";
    Encode(VorbisFormatRecord(6), nullptr, pcm, ogg);
    if (HasFatalFailure())
        return;
    VB_DECINFO info{};
    info.dwStructSize = sizeof info;
    HVB_STREAM stream = 0;
    ASSERT_EQ(vbDecOpen(ogg.c_str(), &info, &stream), VB_ERR_SUCCESSFUL);
    EXPECT_EQ(info.dwChannels, 2u);
    EXPECT_EQ(info.dwSamplesPerSec, 44100u);
    EXPECT_EQ(info.qwLength, pcm.size() / 2);
    std::vector<int16_t> all;
    std::vector<int16_t> block(4099); // an odd request: whole frames only come back
    uint32_t read = 0;
    do {
        ASSERT_EQ(vbDecRead(stream, block.data(), static_cast<uint32_t>(block.size()), &read),
                  VB_ERR_SUCCESSFUL);
        ASSERT_EQ(read % 2, 0u);
        all.insert(all.end(), block.begin(), block.begin() + read);
    } while (read > 0);
    EXPECT_EQ(all.size(), pcm.size());

    ASSERT_EQ(vbDecSeek(stream, 30000), VB_ERR_SUCCESSFUL);
    ASSERT_EQ(vbDecRead(stream, block.data(), 200, &read), VB_ERR_SUCCESSFUL);
    ASSERT_EQ(read, 200u);
    for (size_t i = 0; i < read; ++i)
        ASSERT_NEAR(block[i], all[60000 + i], 2) << i;
    EXPECT_EQ(vbDecSeek(stream, pcm.size()), VB_ERR_INVALID_PARAMETERS);
    EXPECT_EQ(vbDecClose(stream), VB_ERR_SUCCESSFUL);
    EXPECT_EQ(vbDecClose(stream), VB_ERR_INVALID_HANDLE);
    EXPECT_EQ(vbDecOpen((dir_ / "missing.ogg").c_str(), &info, &stream), VB_ERR_FILE);
}

TEST_F(OggEncoding, LibraryRefusesWhatItCannotHonour)
{
    uint32_t samples = 0, outSize = 0;
    HVB_STREAM stream = 0;
    VB_CONFIG config = VorbisFormatRecord(5);
    config.dwStructSize = 256;
    EXPECT_EQ(vbEncOpen(&config, nullptr, &samples, &outSize, &stream), VB_ERR_INVALID_FORMAT);
    config = VorbisFormatRecord(11);
    EXPECT_EQ(vbEncOpen(&config, nullptr, &samples, &outSize, &stream), VB_ERR_INVALID_PARAMETERS);
    VB_TAG tag{};
    tag.dwStructSize = 56; // a 32-bit caller's record
    tag.dwStructVersion = 1;
    config = VorbisFormatRecord(5);
    if (sizeof(void *) != 4) {
        EXPECT_EQ(vbEncOpen(&config, &tag, &samples, &outSize, &stream), VB_ERR_INVALID_FORMAT);
    }

    ASSERT_EQ(vbEncOpen(&config, nullptr, &samples, &outSize, &stream), VB_ERR_SUCCESSFUL);
    std::vector<int16_t> pcm(samples + 2);
    std::vector<uint8_t> output(outSize);
    uint32_t bytes = 0;
    EXPECT_EQ(vbEncWrite(stream, samples + 2, pcm.data(), output.data(), &bytes), VB_ERR_BUFFER_TOO_SMALL);
    EXPECT_EQ(vbEncWrite(stream, 3, pcm.data(), output.data(), &bytes), VB_ERR_INVALID_PARAMETERS);
    EXPECT_EQ(vbEncClose(stream, output.data(), &bytes), VB_ERR_SUCCESSFUL);
    EXPECT_EQ(vbEncWrite(stream, 2, pcm.data(), output.data(), &bytes), VB_ERR_INVALID_HANDLE);
}

} // namespace
