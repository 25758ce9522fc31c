// Loading "Vorbis.DLL" by name: the real library, a stand-in with a known version, an incomplete
// one, none at all; and the format record.

#include "audio_support.h"
#include "quavrel/engine/bindings/vorbis_binding.h"

#include <cstdlib>
#include <cstring>

#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// Points the loader at one directory only, and forgets any library loaded before.
class VorbisBinding : public testing::Test {
  protected:
    void UseOnly(const std::filesystem::path &dir)
    {
        setenv("QUAVREL_LIBRARY_PATH", dir.c_str(), 1);
        setenv("QUAVREL_LIBRARY_PATH_ONLY", "1", 1);
    }
    void TearDown() override
    {
        UnloadVorbis();
        unsetenv("QUAVREL_LIBRARY_PATH");
        unsetenv("QUAVREL_LIBRARY_PATH_ONLY");
    }
    std::filesystem::path FakeDir(const char *name) const
    {
        return encoders_test::BuildBinDir().parent_path() / "test-libs" / name;
    }
};

TEST_F(VorbisBinding, VersionTextOfAKnownRecord)
{
    UseOnly(FakeDir("fake_vorbis"));
    ASSERT_TRUE(LoadVorbis());
    EXPECT_EQ(VorbisVersionText(), "Ver 1.05 (Engine Ver : 1.00, Date : 2003-6-9)");
}

TEST_F(VorbisBinding, RealLibraryBindsEveryOperation)
{
    UseOnly(encoders_test::BuildBinDir());
    ASSERT_TRUE(LoadVorbis());
    EXPECT_TRUE(VorbisLoaded());
    for (const void *operation :
         {(void *)vbEncOpen, (void *)vbEncWrite, (void *)vbEncClose, (void *)vbDecOpen, (void *)vbDecRead,
          (void *)vbDecSeek, (void *)vbDecClose, (void *)vbVersion})
        EXPECT_NE(operation, nullptr);
    EXPECT_TRUE(QRegularExpression(R"(^Ver 1\.00 \(Engine Ver : 1\.\d\d, Date : 20\d\d-\d{1,2}-\d{1,2}\)$)")
                    .match(VorbisVersionText())
                    .hasMatch())
        << VorbisVersionText().toStdString();
    UnloadVorbis();
    EXPECT_FALSE(VorbisLoaded());
    EXPECT_EQ(vbEncOpen, nullptr);
}

TEST_F(VorbisBinding, MissingLibraryLeavesItUnloaded)
{
    encoders_test::TempDir empty;
    UseOnly(empty.Path());
    EXPECT_FALSE(LoadVorbis());
    EXPECT_FALSE(VorbisLoaded());
    EXPECT_TRUE(VorbisVersionText().isEmpty());
    EXPECT_EQ(vbEncOpen, nullptr);
    // Loaded once: a later call does not look again.
    UseOnly(encoders_test::BuildBinDir());
    EXPECT_FALSE(LoadVorbis());
}

TEST_F(VorbisBinding, IncompleteLibraryIsReleased)
{
    UseOnly(FakeDir("fake_vorbis_partial"));
    EXPECT_FALSE(LoadVorbis());
    EXPECT_FALSE(VorbisLoaded());
    EXPECT_EQ(vbVersion, nullptr);
    EXPECT_TRUE(VorbisVersionText().isEmpty());
}

TEST(VorbisFormat, RecordCarriesQualityInTenths)
{
    const VB_CONFIG five = VorbisFormatRecord(5);
    EXPECT_EQ(five.fQuality, 0.5f);
    EXPECT_EQ(VorbisFormatRecord(10).fQuality, 1.0f);
    EXPECT_EQ(VorbisFormatRecord(7).fQuality, 0.7f);
    const auto *bytes = reinterpret_cast<const uint8_t *>(&five);
    const uint32_t head[] = {0, 0, 260, 2, 44100};
    EXPECT_EQ(std::memcmp(bytes, head, sizeof head), 0);
    for (size_t offset = 20; offset < 260; ++offset) {
        if (offset < 36 || offset >= 40) {
            ASSERT_EQ(bytes[offset], 0) << "offset " << offset;
        }
    }
}

} // namespace
