// Output names and folders, file sizes, and the track list's select, rename and album information
// commands.

#include "quavrel/naming/output_names.h"
#include "quavrel/window/album_info_form.h"
#include "quavrel/window/message_box.h"
#include "rip_test_support.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TCDRipTestForm.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

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

TEST_F(RipTest, ArtistAndAlbumFoldersStayInsideTheOutputDirectory)
{
    ui()->creerlesrepertoires->setChecked(true);
    ui()->numeropiste->setChecked(true);
    ui()->nomdepiste->setChecked(true);
    ui()->lblArtist->setText("AC/DC");
    ui()->lblTitle->setText("../../x");
    Tick({2});
    Rip(kWav);

    EXPECT_TRUE(QFile::exists(OutputPath("AC_DC/___.._x/2-_.wav")));
    EXPECT_EQ(QDir(out_.path()).entryList(QDir::AllEntries | QDir::NoDotAndDotDot), QStringList{"AC_DC"});
    EXPECT_EQ(window_->OutputBaseName, "2-_");
}

TEST_F(RipTest, SelectAllAndNone)
{
    window_->ToutSelectionner1Click();
    for (int track = 1; track <= 5; ++track)
        EXPECT_TRUE(Ticked(track));
    window_->N1Click();
    for (int track = 1; track <= 5; ++track)
        EXPECT_FALSE(Ticked(track));
}

TEST_F(RipTest, RenameTakesTheTypedNameAndACancelKeepsTheOldOne)
{
    QStringList asked;
    std::optional<QString> answer = QStringLiteral("Intro");
    SetInputBoxHook([&](const QString &caption, const QString &prompt, const QString &text) {
        asked << caption + "|" + prompt + "|" + text;
        return answer;
    });
    ui()->ListView1->setCurrentItem(ui()->ListView1->topLevelItem(2));
    window_->Renommerlapiste1Click();
    EXPECT_EQ(Cell(3, 1), "Intro");

    answer.reset();
    emit ui()->ListView1->itemDoubleClicked(ui()->ListView1->topLevelItem(2), 1);
    EXPECT_EQ(Cell(3, 1), "Intro");
    EXPECT_EQ(asked, (QStringList{"Nom de la piste||?", "Nom de la piste||Intro"}));

    // Nothing selected: no box.
    ui()->ListView1->clearSelection();
    ui()->ListView1->setCurrentItem(nullptr);
    window_->Renommerlapiste1Click();
    EXPECT_EQ(asked.size(), 2);
    SetInputBoxHook({});
}

TEST_F(RipTest, TheAlbumInformationDialogOpensWithTheSelectedTrack)
{
    ui()->ListView1->setCurrentItem(ui()->ListView1->topLevelItem(3));
    ui()->Informationssurlalbum1->trigger();
    TAlbumInfoForm *form = window_->AlbumInfoForm();
    EXPECT_TRUE(form->isVisible());
    EXPECT_EQ(form->Controls()->strTrackNum->text(), "4");
    EXPECT_TRUE(window_->PopupMenu1->actions().contains(ui()->Informationssurlalbum1));
    EXPECT_TRUE(ui()->Action1->actions().contains(ui()->Informationssurlalbum1));
    form->close();
}

TEST_F(RipTest, TracksOfOneCommandNeverShareAFile)
{
    // "A/B" and "A:B" make the same safe name; "Intro" twice is the same name.
    const QStringList names{"Intro", "Intro", "A/B", "A:B"};
    for (int track = 1; track <= 4; ++track)
        ui()->ListView1->topLevelItem(track - 1)->setText(1, names[track - 1]);
    ui()->numeropiste->setChecked(false);
    ui()->nomdepiste->setChecked(true);
    Tick({1, 2, 3, 4});
    Rip(kWav);

    QStringList files = QDir(out_.path()).entryList({"*.wav"}, QDir::Files);
    files.sort();
    EXPECT_EQ(files, (QStringList{"A_B (2).wav", "A_B.wav", "Intro (2).wav", "Intro.wav"}));
    for (int track = 1; track <= 4; ++track)
        EXPECT_FALSE(Ticked(track)) << track;
}
