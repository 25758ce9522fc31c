// Everything the contents disc holds, through quavrel-cli as a user runs it, in an image drive and
// in an emulated drive: the same toc --json; a rip of every track and the hidden one whose files
// put the whole disc back together bit for bit (flac decodes them); a cue sheet that libcdio reads
// to the disc's catalogue number, ISRCs, flags, CD-Text and pre-gaps, and whose FILE and INDEX lines
// place every index where the disc has it; ISRC and BARCODE tags (TagLib); names from CD-Text when
// no server answers.

#include "../cli/cli_process.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <taglib/flacfile.h>
#include <taglib/id3v2tag.h>
#include <taglib/mpegfile.h>
#include <taglib/textidentificationframe.h>
#include <taglib/xiphcomment.h>
#include <unistd.h>
#include <vector>

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <cdio/cdio.h>
#include <cdio/cdtext.h>
#include <gtest/gtest.h>

namespace {

namespace fs = std::filesystem;

std::string Discs()
{
    return std::string(std::getenv("QUAVREL_DATA_DIR")) + "/discs/";
}

class DiscContents : public ::testing::Test {
  protected:
    void SetUp() override
    {
        dir_ = fs::temp_directory_path() / ("quavrel-contents-" + std::to_string(getpid()));
        fs::create_directories(dir_ / "config");
        fs::create_directories(dir_ / "dev");
        std::ofstream{dir_ / "dev" / "sr0"};
    }
    void TearDown() override { fs::remove_all(dir_); }

    // The image as a virtual drive, or its cdrdao TOC in an emulated drive.
    std::map<std::string, std::string> Env(bool emulated) const
    {
        std::map<std::string, std::string> env{{"XDG_CONFIG_HOME", (dir_ / "config").string()}};
        if (!emulated) {
            env["QUAVREL_DRIVES"] = Discs() + "contents.cue";
            return env;
        }
        env["QUAVREL_DRIVES"] = "";
        env["QUAVREL_DEVICE_DIR"] = (dir_ / "dev").string();
        env["QUAVREL_EMULATED_DRIVES"] = (dir_ / "dev" / "sr0").string() + "=" + Discs() + "contents.toc";
        env["LD_PRELOAD"] =
            std::string(std::getenv("QUAVREL_BUILD_DIR")) + "/bin/libquavrel_emulated_drive.so";
        return env;
    }

    // No server answers: the names come from the disc.
    CliResult Rip(bool emulated, const std::string &format, const std::string &tracks, const fs::path &out)
    {
        return RunCli({"rip", "-f", format, "-t", tracks, "-o", out.string(), "--source", "cddb", "--server",
                       "127.0.0.1:1"},
                      Env(emulated));
    }

    fs::path dir_;
};

// The disc's raw audio as 2352-byte sectors.
std::string ImageAudio()
{
    return ReadFile(Discs() + "contents.bin");
}

std::string DecodedFlac(const fs::path &file)
{
    const fs::path raw = file.string() + ".raw";
    const std::string command = "flac -s -d -f --force-raw-format --endian=little --sign=signed -o '" +
                                raw.string() + "' '" + file.string() + "'";
    EXPECT_EQ(std::system(command.c_str()), 0) << command;
    return ReadFile(raw.string());
}

struct CueIndex {
    int track = 0;
    int index = 0;
    int32_t sector = 0; // on the disc: the files before counted in
};

// The cue sheet's INDEX lines as disc sectors, each file's position being the sectors of the files
// before it (their lengths from the decoded audio), as a player of the sheet counts.
std::vector<CueIndex> IndexesOf(const std::string &sheet, const fs::path &folder)
{
    std::vector<CueIndex> indexes;
    std::istringstream lines(sheet);
    std::string line;
    int32_t fileStart = 0;
    int32_t nextFile = 0;
    int track = 0;
    while (std::getline(lines, line)) {
        std::istringstream words(line);
        std::string word;
        words >> word;
        if (word == "FILE") {
            const size_t open = line.find('"');
            const std::string name = line.substr(open + 1, line.find('"', open + 1) - open - 1);
            fileStart = nextFile;
            nextFile += static_cast<int32_t>(DecodedFlac(folder / name).size() / 2352);
        } else if (word == "TRACK") {
            words >> track;
        } else if (word == "INDEX") {
            int index = 0;
            std::string msf;
            words >> index >> msf;
            const int32_t at = std::stoi(msf.substr(0, 2)) * 4500 + std::stoi(msf.substr(3, 2)) * 75 +
                               std::stoi(msf.substr(6, 2));
            indexes.push_back({track, index, fileStart + at});
        }
    }
    return indexes;
}

TEST_F(DiscContents, AnImageDriveAndAnEmulatedDriveGiveTheSameTocAndRipsThatHoldTheWholeDisc)
{
    QJsonObject tocs[2];
    for (const bool emulated : {false, true}) {
        const CliResult toc = RunCli({"toc", "--json"}, Env(emulated));
        ASSERT_EQ(toc.exitCode, 0) << toc.err;
        tocs[emulated] = QJsonDocument::fromJson(QByteArray::fromStdString(toc.out)).object();
    }
    EXPECT_EQ(tocs[0], tocs[1]);
    const QJsonObject &toc = tocs[0];
    EXPECT_EQ(toc.value(QStringLiteral("catalog")).toString(), QStringLiteral("0731453412729"));
    EXPECT_EQ(toc.value(QStringLiteral("hiddenTrack")).toObject().value(QStringLiteral("length")).toInt(),
              450);
    EXPECT_EQ(toc.value(QStringLiteral("cdText")).toArray().size(), 2);

    for (const bool emulated : {false, true}) {
        const fs::path out = dir_ / (emulated ? "emulated" : "image");
        const CliResult rip = Rip(emulated, "flac", "0-5", out);
        ASSERT_EQ(rip.exitCode, 0) << rip.err;
        // The names come from the CD-Text: no server answered.
        const fs::path folder = out / "Orchestre de démonstration" / "Disque des contenus";
        ASSERT_TRUE(fs::exists(folder / "Disque des contenus.cue")) << rip.out << rip.err;

        // Track 0 and the others, gaps with the track before: the disc's audio, bit for bit.
        std::string audio;
        for (int track = 0; track <= 5; ++track)
            audio += DecodedFlac(folder / (std::to_string(track) + ".flac"));
        EXPECT_TRUE(audio == ImageAudio()) << "emulated " << emulated;

        // The cue sheet's indexes where the disc has them.
        const std::string sheet = ReadFile((folder / "Disque des contenus.cue").string());
        const QJsonArray tracks = toc.value(QStringLiteral("tracks")).toArray();
        std::map<std::pair<int, int>, int32_t> expected;
        for (const QJsonValue &value : tracks) {
            const QJsonObject track = value.toObject();
            const int number = track.value(QStringLiteral("number")).toInt();
            expected[{number, 1}] = track.value(QStringLiteral("start")).toInt();
            if (track.value(QStringLiteral("pregap")).toInt() > 0)
                expected[{number, 0}] = track.value(QStringLiteral("index0")).toInt();
        }
        std::map<std::pair<int, int>, int32_t> found;
        for (const CueIndex &index : IndexesOf(sheet, folder))
            found[{index.track, index.index}] = index.sector;
        EXPECT_EQ(found, expected) << sheet;

        // libcdio reads the sheet (beside a stand-in of the one file it wants) to the disc's
        // catalogue number, ISRCs, flags, CD-Text (in UTF-8) and pre-gaps.
        fs::copy_file(folder / "Disque des contenus.cue", dir_ / "sheet.cue",
                      fs::copy_options::overwrite_existing);
        std::ofstream{dir_ / "sheet.bin"};
        fs::resize_file(dir_ / "sheet.bin", ImageAudio().size());
        CdIo_t *cdio = cdio_open((dir_ / "sheet.cue").c_str(), DRIVER_BINCUE);
        ASSERT_NE(cdio, nullptr);
        char *mcn = cdio_get_mcn(cdio);
        EXPECT_STREQ(mcn, "0731453412729");
        cdio_free(mcn);
        ASSERT_EQ(cdio_get_last_track_num(cdio), 5);
        cdtext_t *text = cdio_get_cdtext(cdio);
        ASSERT_NE(text, nullptr);
        EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_TITLE, 0), "Disque des contenus");
        for (const QJsonValue &value : tracks) {
            const QJsonObject track = value.toObject();
            const auto t = static_cast<track_t>(track.value(QStringLiteral("number")).toInt());
            char *isrc = cdio_get_track_isrc(cdio, t);
            EXPECT_EQ(QString::fromLatin1(isrc ? isrc : ""), track.value(QStringLiteral("isrc")).toString());
            cdio_free(isrc);
            EXPECT_EQ(cdio_get_track_preemphasis(cdio, t) == CDIO_TRACK_FLAG_TRUE,
                      track.value(QStringLiteral("preEmphasis")).toBool());
            EXPECT_EQ(cdio_get_track_copy_permit(cdio, t) == CDIO_TRACK_FLAG_TRUE,
                      track.value(QStringLiteral("copyPermitted")).toBool());
            // libcdio takes INDEX times as if the sheet had one FILE: a pre-gap shows where its
            // INDEX 00 is not at the start of a file as track 1's is (IndexesOf places them all).
            if (t > 1)
                EXPECT_EQ(cdio_get_track_pregap_lsn(cdio, t) != CDIO_INVALID_LSN,
                          track.value(QStringLiteral("pregap")).toInt() > 0)
                    << t;
            EXPECT_STREQ(cdtext_get_const(text, CDTEXT_FIELD_TITLE, t), toc.value(QStringLiteral("cdText"))
                                                                            .toArray()
                                                                            .at(0)
                                                                            .toObject()
                                                                            .value(QStringLiteral("titles"))
                                                                            .toArray()
                                                                            .at(t - 1)
                                                                            .toString()
                                                                            .toUtf8()
                                                                            .constData());
        }
        cdio_destroy(cdio);

        // The tags: ISRC and BARCODE, the titles of the disc's CD-Text.
        TagLib::FLAC::File second((folder / "2.flac").c_str());
        ASSERT_TRUE(second.isValid());
        const TagLib::Ogg::FieldListMap fields = second.xiphComment()->fieldListMap();
        EXPECT_EQ(fields["ISRC"].toString().to8Bit(true), "FRZ032600002");
        EXPECT_EQ(fields["BARCODE"].toString().to8Bit(true), "0731453412729");
        EXPECT_EQ(fields["TITLE"].toString().to8Bit(true), "Ronde");
        TagLib::FLAC::File hidden((folder / "0.flac").c_str());
        EXPECT_TRUE(hidden.xiphComment()->fieldListMap()["ISRC"].isEmpty());
    }

    // MP3: the ISRC as TSRC, the barcode as a user text.
    const CliResult mp3 = Rip(true, "mp3", "3", dir_ / "mp3");
    ASSERT_EQ(mp3.exitCode, 0) << mp3.err;
    TagLib::MPEG::File third(
        (dir_ / "mp3" / "Orchestre de démonstration" / "Disque des contenus" / "3.mp3").c_str());
    ASSERT_TRUE(third.isValid() && third.ID3v2Tag());
    const TagLib::ID3v2::FrameList isrc = third.ID3v2Tag()->frameListMap()["TSRC"];
    ASSERT_FALSE(isrc.isEmpty());
    EXPECT_EQ(isrc.front()->toString().to8Bit(true), "FRZ032600003");
    const auto *barcode = TagLib::ID3v2::UserTextIdentificationFrame::find(third.ID3v2Tag(), "BARCODE");
    ASSERT_NE(barcode, nullptr);
    EXPECT_EQ(barcode->fieldList().back().to8Bit(true), "0731453412729");
}

} // namespace
