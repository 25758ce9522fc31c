// A disc's identities and ranges on the layouts of published discs: a plain one, enhanced CDs with
// their session gap and an image without one, a mixed-mode one. MusicBrainz's is libdiscid's for
// the layout its rule gives; AccurateRip's follows the database's rule, worked out here by hand.

#include "quavrel/disc/disc.h"
#include "quavrel/disc/ostrelle_toc.h"

#include <array>
#include <cd_text_packs.h>
#include <discid/discid.h>
#include <memory>

#include <gtest/gtest.h>

namespace {

Disc Make(const std::vector<std::pair<int32_t, bool>> &tracks, int32_t leadOut)
{
    std::vector<DiscTrack> list;
    for (size_t i = 0; i < tracks.size(); ++i)
        list.push_back({static_cast<int>(i) + 1, tracks[i].first, tracks[i].second});
    std::optional<Disc> disc = Disc::FromTracks(list, leadOut);
    EXPECT_TRUE(disc.has_value());
    return disc.value_or(Disc{});
}

// libdiscid's ID of first..last with these starts and lead-out (in our addresses).
QString LibDiscId(int last, const std::vector<int32_t> &starts, int32_t leadOut)
{
    std::unique_ptr<DiscId, void (*)(DiscId *)> disc(discid_new(), discid_free);
    std::array<int, 100> offsets{};
    offsets[0] = leadOut + 150;
    for (int n = 1; n <= last; ++n)
        offsets[static_cast<size_t>(n)] = starts[static_cast<size_t>(n - 1)] + 150;
    EXPECT_TRUE(discid_put(disc.get(), 1, last, offsets.data()));
    return QString::fromLatin1(discid_get_id(disc.get()));
}

// id1 = Σ audio starts + lead-out; id2 = Σ max(start, 1) × position + lead-out × (audio tracks + 1).
std::pair<uint32_t, uint32_t> AccurateRipRule(const std::vector<int32_t> &audioStarts, int32_t leadOut)
{
    uint32_t id1 = 0;
    uint32_t id2 = 0;
    for (size_t i = 0; i < audioStarts.size(); ++i) {
        id1 += static_cast<uint32_t>(audioStarts[i]);
        id2 += static_cast<uint32_t>(std::max(audioStarts[i], 1)) * static_cast<uint32_t>(i + 1);
    }
    id1 += static_cast<uint32_t>(leadOut);
    id2 += static_cast<uint32_t>(leadOut) * static_cast<uint32_t>(audioStarts.size() + 1);
    return {id1, id2};
}

} // namespace

TEST(DiscIdentities, EnhancedCdsEndTheirAudioBeforeTheSessionGapAndEachIdentityKeepsItsOwnRule)
{
    // Two published enhanced layouts: ten audio tracks, then the data session 11 400 sectors after
    // the audio's end; their last audio tracks are 18 024 and 16 070 sectors long.
    const std::vector<int32_t> first = {0, 17512, 33810, 52402, 69730, 86990, 104405, 121872, 138000, 155811};
    const std::vector<int32_t> second = {0, 21055, 38100, 57210, 75011, 92322, 110900, 126744, 143080};
    for (const auto &[starts, lastLength] : {std::pair{first, 18024}, std::pair{second, 16070}}) {
        const int32_t audioEnd = starts.back() + lastLength;
        const int32_t data = audioEnd + kSessionGapSectors;
        const int32_t leadOut = data + 41234;
        std::vector<std::pair<int32_t, bool>> tracks;
        for (const int32_t start : starts)
            tracks.push_back({start, true});
        tracks.push_back({data, false});
        const Disc disc = Make(tracks, leadOut);
        const int audio = static_cast<int>(starts.size());

        EXPECT_EQ(disc.AudioEnd(), audioEnd);
        EXPECT_EQ(disc.TrackRange(audio), (SectorRange{starts.back(), audioEnd - 1}));
        EXPECT_EQ(disc.TrackRange(audio).Count(), lastLength);
        EXPECT_EQ(disc.TrackRange(audio + 1), (SectorRange{data, leadOut - 1}));
        EXPECT_EQ(disc.MusicBrainzId(), LibDiscId(audio, starts, audioEnd));
        const AccurateRipIdentity ids = disc.AccurateRipIds();
        const auto [id1, id2] = AccurateRipRule(starts, leadOut);
        EXPECT_EQ(ids.AudioTracks, audio);
        EXPECT_EQ(ids.Id1, id1);
        EXPECT_EQ(ids.Id2, id2);
        EXPECT_EQ(ids.Id3, disc.CddbId());
        // The CDDB ID counts every track, data included, to the disc's lead-out.
        const TCdToc toc = TocOf(disc);
        EXPECT_EQ(toc.Count, audio + 1);
        EXPECT_EQ(disc.CddbId(), CalcDiscID(&toc));
        EXPECT_EQ(DiscOfToc(toc), disc);
    }

    // An image with its data track right after the audio has no room for the gap: the audio ends
    // where the data starts, for the ranges and MusicBrainz alike; AccurateRip still takes the lead-out.
    const Disc tight = Make({{0, true}, {450, true}, {1070, false}}, 1670);
    EXPECT_EQ(tight.AudioEnd(), 1070);
    EXPECT_EQ(tight.TrackRange(2), (SectorRange{450, 1069}));
    EXPECT_EQ(tight.MusicBrainzId(), LibDiscId(2, {0, 450}, 1070));
    EXPECT_EQ(tight.AccurateRipIds().Id1, AccurateRipRule({0, 450}, 1670).first);
}

TEST(DiscIdentities, PlainAndMixedModeDiscsCountEveryTrackToTheLeadOut)
{
    const Disc plain = Make({{0, true}, {1517, true}, {2082, true}}, 6887);
    EXPECT_EQ(plain.AudioEnd(), 6887);
    EXPECT_EQ(plain.TrackRange(3), (SectorRange{2082, 6886}));
    EXPECT_EQ(plain.MusicBrainzId(), LibDiscId(3, {0, 1517, 2082}, 6887));
    EXPECT_EQ(plain.AccurateRipIds().Id2, AccurateRipRule({0, 1517, 2082}, 6887).second);
    EXPECT_EQ(plain.MusicBrainzToc(), "1+3+7037+150+1667+2232");

    // A data track first: it counts for MusicBrainz as a track, for AccurateRip not at all.
    const Disc mixed = Make({{0, false}, {20000, true}, {30000, true}}, 40000);
    EXPECT_EQ(mixed.AudioIndexOf(1), 0);
    EXPECT_EQ(mixed.AudioIndexOf(3), 2);
    EXPECT_EQ(mixed.MusicBrainzId(), LibDiscId(3, {0, 20000, 30000}, 40000));
    const AccurateRipIdentity ids = mixed.AccurateRipIds();
    EXPECT_EQ(ids.AudioTracks, 2);
    EXPECT_EQ(std::pair(ids.Id1, ids.Id2), AccurateRipRule({20000, 30000}, 40000));

    // Tables no drive could give are refused, not ripped.
    EXPECT_FALSE(Disc::FromTracks({{1, 100, true}, {2, 50, true}}, 200));
    EXPECT_FALSE(Disc::FromTracks({{1, 0, true}}, 0));
    EXPECT_FALSE(Disc::FromTracks({}, 100));
}

TEST(DiscContents, HiddenTrackPregapsAndCdTextAsTheDiscGivesThem)
{
    // A hidden track needs a second of audio before track 1; the identities stay INDEX 01's.
    Disc disc = Make({{450, true}, {1200, true}, {2000, true}}, 3000);
    EXPECT_TRUE(disc.HasHiddenTrack());
    EXPECT_EQ(disc.TrackRange(0), (SectorRange{0, 449}));
    EXPECT_EQ(disc.TrackRange(1), (SectorRange{450, 1199}));
    EXPECT_FALSE(Make({{32, true}, {1200, true}}, 3000).HasHiddenTrack());
    EXPECT_FALSE(Make({{450, false}, {1200, true}}, 3000).HasHiddenTrack());
    const uint32_t id = disc.CddbId();

    // A pre-gap reaching into the track before is cut to what fits.
    std::vector<DiscTrack> read = disc.Tracks();
    read[0].Pregap = 450;
    read[1].Pregap = 150;
    read[1].Isrc = QStringLiteral("FRZ032600002");
    read[1].PreEmphasis = true;
    read[2].Pregap = 5000;
    drives::CdTextBlock english{0x09, drives::kCdTextLatin1, {}};
    english.texts = {{{0x80, "\xC9t\xE9 indien"}, {0x81, "Orchestre"}},
                     {{0x80, "Un morceau"}},
                     {{0x80, "Deux morceaux"}},
                     {{0x80, "Trois"}}};
    drives::CdTextBlock korean{0x65, 0x81, {{{0x80, "\xB0\xA1"}}, {}, {}, {}}};
    std::vector<uint8_t> packs = drives::EncodeCdText({english, korean}, 1, 3);
    // The second title pack damaged (its CRC says so): the texts it held a part of are lost, the
    // others read.
    packs[18 + 5] ^= 0x01;
    disc.SetContents(read, QStringLiteral("0731453412729"),
                     DecodeCdText(QByteArray(reinterpret_cast<const char *>(packs.data()),
                                             static_cast<qsizetype>(packs.size()))));
    EXPECT_EQ(disc.Track(1).Index0(), 0);
    EXPECT_EQ(disc.Track(2).Index0(), 1050);
    EXPECT_EQ(disc.Track(3).Pregap, 799);
    EXPECT_EQ(disc.Track(2).Isrc, QStringLiteral("FRZ032600002"));
    EXPECT_EQ(disc.CddbId(), id);
    EXPECT_TRUE(disc.SameTable(Make({{450, true}, {1200, true}, {2000, true}}, 3000)));

    const CdText &text = disc.CdText();
    ASSERT_EQ(text.Blocks.size(), 2u);
    const CdTextBlock &first = text.Blocks[0];
    EXPECT_TRUE(first.Readable);
    EXPECT_EQ(first.LanguageName(), QStringLiteral("anglais"));
    EXPECT_EQ(first.Artist, QStringLiteral("Orchestre"));
    EXPECT_EQ(first.Album, QStringLiteral("Été indien"));
    EXPECT_EQ(first.Titles, (QStringList{QString(), QString(), QStringLiteral("Trois")}));
    EXPECT_FALSE(text.Blocks[1].Readable);
    EXPECT_EQ(text.Problems.size(), 2) << text.Problems.join(QLatin1Char('\n')).toStdString();
}
