// The track list's folders, select, rename and album information commands, and the names of one
// command's files.

#include "quavrel/window/album_info_form.h"
#include "quavrel/window/message_box.h"
#include "rip_test_support.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TCDRipTestForm.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

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

TEST_F(RipTest, ATracksFileIsTheSameWhicheverTracksACommandRips)
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

    // Track 2 again, alone: it is still "Intro (2)", and track 1's file stays as it was.
    QFile first(OutputPath("Intro.wav"));
    ASSERT_TRUE(first.open(QIODevice::ReadWrite));
    first.resize(1000);
    first.close();
    Tick({2});
    Rip(kWav);
    EXPECT_EQ(QFileInfo(OutputPath("Intro.wav")).size(), 1000);
    EXPECT_EQ(window_->OutputBaseName, "Intro (2)");
    EXPECT_FALSE(Ticked(2));
}
