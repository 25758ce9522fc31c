// Output names and folders, the names of a disc's files, and file sizes.

#include "quavrel/naming/disc_file_names.h"
#include "quavrel/naming/output_names.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(OutputNames, TitlesBecomeNamesThatStayInTheirFolder)
{
    EXPECT_EQ(SafeFileName("AC/DC", "3"), "AC_DC");
    EXPECT_EQ(SafeFileName("../../x", "3"), "___.._x");
    EXPECT_EQ(SafeFileName("a\\b:c*d?e\"f<g>h|i", "3"), "a_b_c_d_e_f_g_h_i");
    EXPECT_EQ(SafeFileName(QString("tab\there\x7F"), "3"), "tab_here_");
    EXPECT_EQ(SafeFileName(" .Intro. ", "3"), "__Intro__");
    EXPECT_EQ(SafeFileName("Été – ☃", "3"), "Été – ☃");
    for (const char *empty : {"", "   ", ".", "..", " .. "})
        EXPECT_EQ(SafeFileName(empty, "3"), "3") << empty;
    // Long titles are cut to a name the file systems accept, on a character boundary.
    const QString cut = SafeFileName(QString(200, QChar(0xE9)), "3");
    EXPECT_EQ(cut, QString(kMaxNameBytes / 2, QChar(0xE9)));
}

TEST(OutputNames, TheTwoNamingBoxes)
{
    EXPECT_EQ(OutputBaseNameFor(3, "Intro", true, true), "3-Intro");
    EXPECT_EQ(OutputBaseNameFor(3, "?", true, true), "3-_");
    EXPECT_EQ(OutputBaseNameFor(3, "Intro", false, true), "Intro");
    EXPECT_EQ(OutputBaseNameFor(3, "?", false, true), "3");
    EXPECT_EQ(OutputBaseNameFor(3, "Intro", true, false), "3");
    EXPECT_EQ(OutputBaseNameFor(3, "Intro", false, false), "3");
    EXPECT_EQ(OutputBaseNameFor(12, "Mr. Jones", true, true), "12-Mr. Jones");
}

TEST(OutputNames, DirectoryLevelsFromArtistAndAlbum)
{
    const QString root = QDir::toNativeSeparators("/music/");
    EXPECT_EQ(OutputDirectoryFor(root, false, "Bach", "Suites"), QDir::toNativeSeparators("/music"));
    EXPECT_EQ(OutputDirectoryFor(root, true, "Bach", "Suites"),
              QDir::toNativeSeparators("/music/Bach/Suites"));
    EXPECT_EQ(OutputDirectoryFor(root, true, "", "Suites"), QDir::toNativeSeparators("/music/Suites"));
    EXPECT_EQ(OutputDirectoryFor(root, true, "..", "/"), QDir::toNativeSeparators("/music/_"));
}

TEST(OutputNames, SizesInKoRoundHalvesToEven)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::pair<int, const char *> cases[] = {{1500, "2 Ko"}, {2500, "2 Ko"}, {3500, "4 Ko"},
                                                  {499, "0 Ko"},  {501, "1 Ko"},  {1764044, "1764 Ko"}};
    for (const auto &[size, text] : cases) {
        QFile file(dir.filePath(QString::number(size)));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.resize(size);
        file.close();
        EXPECT_EQ(SizeText(file.fileName()), text) << size;
    }
    EXPECT_EQ(SizeText(dir.filePath("missing")), "0 Ko");
    EXPECT_EQ(FileSizeOf(dir.filePath("missing")), -1);
}

TEST(DiscFileNames, ANameBelongsToTheDiscAndItsTrackAndFitsWithItsTemporaryName)
{
    const Disc disc =
        *Disc::FromTracks({{1, 0, true}, {2, 1000, true}, {3, 2000, false}, {4, 3000, true}}, 4000);
    DiscMetadata names;
    names.Tracks = {{"Intro", {}}, {"intro", {}}, {"Data", {}}, {QString(300, QChar(0xE9)), {}}};
    const std::vector<TrackFileName> files =
        DiscFileNames(disc, names, {false, true}, QStringLiteral(".flac"));
    // The data track has no file; the second "Intro" (letter case aside) is "(2)" whichever is ripped.
    ASSERT_EQ(files.size(), 3u);
    EXPECT_EQ(files[0].Base, "Intro");
    EXPECT_EQ(files[1].Base, "intro (2)");
    EXPECT_EQ(files[2].Track, 4);
    // ".NAME.flac.XXXXXXXX.part" must fit in 255 bytes: the title is cut at a character, and says so.
    EXPECT_TRUE(files[2].Shortened);
    EXPECT_LE((QStringLiteral(".") + files[2].Base + QStringLiteral(".flac.01234567.part")).toUtf8().size(),
              255);
    EXPECT_TRUE(files[2].Base.startsWith(QString(100, QChar(0xE9))));
    EXPECT_FALSE(files[0].Shortened);
}
