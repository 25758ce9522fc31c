// TLameCoder's settings, the configuration record they make, and its version record.

#include "audio_support.h"
#include "quavrel/engine/bindings/lame_coder.h"

#include <cstring>
#include <regex>

#include <gtest/gtest.h>

namespace {

int32_t At(const BE_CONFIG &config, size_t offset)
{
    int32_t value;
    std::memcpy(&value, reinterpret_cast<const uint8_t *>(&config) + offset, sizeof value);
    return value;
}

TEST(LameCoderSettings, DefaultsMakeTheRecord)
{
    const TLameCoder coder;
    const BE_CONFIG config = coder.ConfigRecord();
    const int32_t expected[] = {256, 1, 331, 44100, 0, 0, 128, 320, 0, 1, 0, 0, 0, -1, 0, 0, 0, 0, 4};
    for (size_t i = 0; i < std::size(expected); ++i)
        EXPECT_EQ(At(config, i * 4), expected[i]) << "offset " << i * 4;
    const auto *bytes = reinterpret_cast<const uint8_t *>(&config);
    for (size_t offset = 76; offset < 331; ++offset)
        ASSERT_EQ(bytes[offset], 0) << "offset " << offset;
    EXPECT_EQ(coder.DefaultExt(), ".mp3");
    EXPECT_TRUE(coder.InputFiles().isEmpty());
    EXPECT_TRUE(coder.Mp3FileName().isEmpty());
}

TEST(LameCoderSettings, EachWriterReachesItsOffset)
{
    TLameCoder coder;
    coder.SetSampleRate(22050);
    coder.SetReSampleRate(16000);
    coder.SetMode(TLameMode::MONO);
    coder.SetBitrate(192);
    coder.SetMaxBitrate(256);
    coder.SetQuality(MPEG_QUALITY::VOICE_QUALITY);
    coder.SetPrivate(true);
    coder.SetCRC(false);
    coder.SetCopyright(true);
    coder.SetOriginal(true);
    coder.SetVBRQuality(2);
    const BE_CONFIG config = coder.ConfigRecord();
    EXPECT_EQ(At(config, 12), 22050);
    EXPECT_EQ(At(config, 16), 16000);
    EXPECT_EQ(At(config, 20), 3);
    EXPECT_EQ(At(config, 24), 192);
    EXPECT_EQ(At(config, 28), 256);
    EXPECT_EQ(At(config, 32), 3);
    EXPECT_EQ(At(config, 48), -1);
    EXPECT_EQ(At(config, 52), 0);
    EXPECT_EQ(At(config, 56), -1);
    EXPECT_EQ(At(config, 60), -1);
    EXPECT_EQ(At(config, 64), 0);
    EXPECT_EQ(At(config, 68), 0);
    EXPECT_EQ(At(config, 72), 2);
}

TEST(LameCoderSettings, EnableVbrDrivesTheHeaderFlagToo)
{
    TLameCoder coder;
    coder.SetEnableVBR(true);
    EXPECT_TRUE(coder.WriteVBRHeader());
    EXPECT_EQ(At(coder.ConfigRecord(), 64), -1);
    EXPECT_EQ(At(coder.ConfigRecord(), 68), -1);
    coder.SetEnableVBR(false);
    EXPECT_FALSE(coder.WriteVBRHeader());
    EXPECT_EQ(At(coder.ConfigRecord(), 64), 0);
    EXPECT_EQ(At(coder.ConfigRecord(), 68), 0);
    // The header alone is a plain setting (an Info frame on a constant-rate stream).
    coder.SetWriteVBRHeader(true);
    EXPECT_FALSE(coder.EnableVBR());
    EXPECT_EQ(At(coder.ConfigRecord(), 64), -1);
}

TEST(LameCoderSettings, InputFilesNameTheOutputFiles)
{
    TLameCoder coder;
    coder.SetOutputFiles({"stale.mp3"});
    coder.SetInputFiles({"C:\\a\\x.wav", "y", "/music/v1.2/track", "/music/a.b.wav"});
    EXPECT_EQ(coder.InputFiles().size(), 4);
    EXPECT_EQ(coder.OutputFiles(),
              QStringList({"C:\\a\\x.mp3", "y.mp3", "/music/v1.2/track.mp3", "/music/a.b.mp3"}));
    coder.SetDefaultExt(".MP3");
    coder.SetInputFiles({"z.wav"});
    EXPECT_EQ(coder.OutputFiles(), QStringList({"z.MP3"}));
}

TEST(LameCoderSettings, AssignCopiesEverySettingAndNothingElse)
{
    TLameCoder source;
    source.SetSampleRate(32000);
    source.SetReSampleRate(22050);
    source.SetMode(TLameMode::JSTEREO);
    source.SetBitrate(96);
    source.SetMaxBitrate(160);
    source.SetQuality(MPEG_QUALITY::HIGH_QUALITY);
    source.SetPrivate(true);
    source.SetCRC(false);
    source.SetCopyright(true);
    source.SetOriginal(true);
    source.SetEnableVBR(true);
    source.SetVBRQuality(7);
    source.SetDefaultExt(".mpa");
    source.SetMp3FileName("a.mp3");

    TLameCoder target;
    target.Assign(source);
    const BE_CONFIG a = source.ConfigRecord();
    const BE_CONFIG b = target.ConfigRecord();
    EXPECT_EQ(std::memcmp(&a, &b, sizeof a), 0);
    EXPECT_EQ(target.DefaultExt(), ".mp3");
    EXPECT_TRUE(target.Mp3FileName().isEmpty());
}

TEST(LameCoderSettings, VersionComesFromTheEncoderLibrary)
{
    // "LAME 64bits version 3.100 (http://lame.sf.net)"
    const auto banner = encoders_test::Shell("lame --version").output;
    std::smatch match;
    ASSERT_TRUE(std::regex_search(banner, match, std::regex(R"(version (\d+)\.(\d+))")));
    const TLameCoder coder;
    EXPECT_EQ(coder.LameVersion().MajorVersion(), std::stoi(match[1]));
    EXPECT_EQ(coder.LameVersion().MinorVersion(), std::stoi(match[2]));
    EXPECT_EQ(coder.LameVersion().DLLMajorVersion(), 1);
    EXPECT_GE(coder.LameVersion().Record().wYear, 2023);
    EXPECT_NE(std::strlen(coder.LameVersion().Record().zHomepage), 0u);
}

} // namespace
