// Track checksums against an independent computation, the disc's AccurateRip identity, and the
// database asked over loopback HTTP.

#include "dbar_file.h"
#include "local_http_server.h"
#include "quavrel/engine/pipeline/read_offset.h"
#include "quavrel/engine/verify/track_checksums.h"
#include "quavrel/network/accuraterip_fetch.h"

#include <cstdio>
#include <cstdlib>
#include <vector>

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// The checksums as the database defines them, in Python: "crc v1 v2" in hex.
const char *const kIndependentChecksums = R"(
import struct, sys, zlib
data = open(sys.argv[1], 'rb').read()
frames, first, last = int(sys.argv[2]), sys.argv[3] == '1', sys.argv[4] == '1'
lo, hi = (2939 if first else 0), (frames - 2940 if last else frames)
v1 = v2 = 0
for n, w in enumerate(struct.unpack('<%dI' % (len(data) // 4), data), 1):
    if lo < n <= hi:
        v1 = (v1 + w * n) & 0xffffffff
        p = w * n
        v2 = (v2 + (p & 0xffffffff) + (p >> 32)) & 0xffffffff
print('%08x %08x %08x' % (zlib.crc32(data) & 0xffffffff, v1, v2))
)";

std::string Output(const std::string &command)
{
    std::string out;
    if (FILE *pipe = popen(command.c_str(), "r")) {
        char buffer[256];
        while (fgets(buffer, sizeof buffer, pipe))
            out += buffer;
        pclose(pipe);
    }
    return out;
}

std::string Hex(uint32_t crc, uint32_t v1, uint32_t v2)
{
    char text[32];
    std::snprintf(text, sizeof text, "%08x %08x %08x\n", crc, v1, v2);
    return text;
}

TEST(TrackChecksums, AgreeWithAnIndependentComputationWhereverTheTrackSits)
{
    // Twelve sectors of loud noise, the last one beyond the database's end of the track (an
    // enhanced CD's gap), fed in pieces that cut frames in two.
    std::vector<uint8_t> pcm(12 * 2352);
    uint32_t seed = 12345;
    for (uint8_t &byte : pcm) {
        seed = seed * 1103515245u + 12345u;
        byte = static_cast<uint8_t>(seed >> 16);
    }
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("track.pcm"));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(reinterpret_cast<const char *>(pcm.data()), static_cast<qint64>(pcm.size()));
    file.close();

    // The script reaches the shell through the environment, free of quoting.
    setenv("QUAVREL_CHECKSUMS", kIndependentChecksums, 1);
    const int64_t frames = 11 * 588;
    for (const bool first : {false, true}) {
        for (const bool last : {false, true}) {
            TrackChecksums sums(frames, first, last);
            for (size_t at = 0; at < pcm.size(); at += 1001)
                sums.Feed(pcm.data() + at, std::min<size_t>(1001, pcm.size() - at));
            const std::string expected =
                Output("python3 -c \"$QUAVREL_CHECKSUMS\" " + path.toStdString() + " " +
                       std::to_string(frames) + (first ? " 1" : " 0") + (last ? " 1" : " 0"));
            EXPECT_EQ(Hex(sums.Crc32(), sums.V1(), sums.V2()), expected)
                << "first " << first << " last " << last;
            EXPECT_EQ(sums.FramesSeen(), 12 * 588);
        }
    }
}

class AccurateRipLookupTest : public testing::Test {
  protected:
    static AccurateRipIdentity Disc() { return {2, 0x12345678, 0x9abcdef0, 0x0f0e0d0c}; }
    AccurateRipLookup LookUpAccurateRip(const QString &Server, const AccurateRipIdentity &Ids,
                                        AccurateRipLimits Limits = {})
    {
        return AccurateRipService(Limits).Fetch(Server, Ids);
    }
    LocalHttpServer server_;
};

TEST_F(AccurateRipLookupTest, ExactMismatchAndTheThreeWaysOfNotKnowing)
{
    // Two pressings: track 2's v1 checksum in the first with 7 rips, its v2 in the second with 3.
    const std::vector<AccurateRipPressing> pressings = {
        {0x12345678, 0x9abcdef0, 0x0f0e0d0c, {{5, 0x11111111, 0}, {7, 0xaaaa0001, 0}}},
        {0x12345678, 0x9abcdef0, 0x0f0e0d0c, {{2, 0x22222222, 0}, {3, 0xbbbb0002, 0}}},
    };
    server_.Answer(200, DbarFile(pressings));
    const AccurateRipLookup found = LookUpAccurateRip(server_.Address(), Disc());
    ASSERT_TRUE(found.Found()) << found.Detail.toStdString();
    EXPECT_EQ(server_.Paths(), QStringList{"/accuraterip/8/7/6/dBAR-002-12345678-9abcdef0-0f0e0d0c.bin"});

    AccurateRipVerdict verdict = VerdictOf(found, 2, 0xaaaa0001, 0xbbbb0002);
    EXPECT_EQ(verdict.Result, AccurateRipResult::Exact);
    EXPECT_EQ(verdict.Confidence, 7);
    EXPECT_EQ(VerdictText(verdict), "exacte (confiance 7)");
    verdict = VerdictOf(found, 2, 0x01010101, 0xbbbb0002);
    EXPECT_EQ(verdict.Result, AccurateRipResult::Exact);
    EXPECT_EQ(verdict.Confidence, 3);
    EXPECT_TRUE(verdict.V2);
    // One bit changed: the track is known, this rip is not it.
    verdict = VerdictOf(found, 2, 0xaaaa0003, 0xbbbb0003);
    EXPECT_EQ(verdict.Result, AccurateRipResult::Mismatch);
    EXPECT_EQ(VerdictText(verdict), "différente de la base (confiance 7)");

    server_.Answer(404, "no such disc");
    EXPECT_EQ(LookUpAccurateRip(server_.Address(), Disc()).Result, AccurateRipResult::NotInDatabase);
    EXPECT_EQ(LookUpAccurateRip(ClosedLocalAddress(), Disc()).Result, AccurateRipResult::Offline);
    EXPECT_EQ(LookUpAccurateRip(QString(), Disc()).Result, AccurateRipResult::NoDatabase);
    // A file cut inside its second pressing is no answer at all.
    server_.Answer(200, DbarFile(pressings).chopped(4));
    const AccurateRipLookup cut = LookUpAccurateRip(server_.Address(), Disc());
    EXPECT_EQ(cut.Result, AccurateRipResult::NoDatabase);
    EXPECT_EQ(VerdictText(VerdictOf(cut, 2, 0xaaaa0001, 0)), "non vérifiée : pas de base");
}

} // namespace

namespace {

// Drive bytes numbered by their position on the disc: sector s, byte b holds (s × 2352 + b) mod 251.
std::vector<uint8_t> DriveBytes(int32_t first, int32_t last)
{
    std::vector<uint8_t> bytes;
    for (int64_t at = int64_t{first} * 2352; at < (int64_t{last} + 1) * 2352; ++at)
        bytes.push_back(static_cast<uint8_t>(at % 251));
    return bytes;
}

TEST(OffsetWindow, ShiftsBothWaysWithSilenceBeyondTheDiscsEnds)
{
    // A disc of sectors 0..99; a range at each end, read with a negative and a positive offset.
    struct Case {
        int32_t first, last, samples;
        int64_t silenceFirst, silenceLast; // bytes of silence at the start and at the end
    } cases[] = {{0, 9, -100, 400, 0}, {90, 99, 700, 0, 2800}, {40, 49, 0, 0, 0}, {40, 49, -1300, 0, 0}};
    for (const Case &c : cases) {
        OffsetWindow window;
        ASSERT_TRUE(window.Plan(c.first, c.last, {c.samples, 0, 100}));
        std::vector<uint8_t> out;
        const OffsetWindow::Emit keep = [&out](const uint8_t *pcm, size_t bytes) {
            out.insert(out.end(), pcm, pcm + bytes);
            return true;
        };
        const std::vector<uint8_t> read = DriveBytes(window.ReadFirst(), window.ReadLast());
        window.Start(keep);
        for (size_t at = 0; at < read.size(); at += 3 * 2352)
            window.Chunk(read.data() + at, std::min<size_t>(3 * 2352, read.size() - at), keep);
        window.Finish(keep);

        ASSERT_EQ(out.size(), size_t{10} * 2352) << c.samples;
        for (size_t i = 0; i < out.size(); ++i) {
            const int64_t position =
                int64_t{c.first} * 2352 + int64_t{c.samples} * 4 + static_cast<int64_t>(i);
            const bool silent = static_cast<int64_t>(i) < c.silenceFirst ||
                                static_cast<int64_t>(out.size() - i) <= c.silenceLast;
            ASSERT_EQ(out[i], silent ? 0 : position % 251) << "offset " << c.samples << " byte " << i;
        }
    }
    OffsetWindow beyond;
    EXPECT_FALSE(beyond.Plan(95, 99, {10 * 588, 0, 100}));
}

} // namespace
