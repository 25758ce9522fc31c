// The FLAC path of the rip command over the demo disc, checked by the flac and metaflac programs,
// and the album information dialog whose confirmed names reach the files.

#include "quavrel/naming/output_names.h"
#include "quavrel/window/album_info_form.h"
#include "rip_test_support.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TCDRipTestForm.h"

#include <QFile>

namespace {

QStringList Lines(const QByteArray &output)
{
    return QString::fromUtf8(output).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
}

} // namespace

using FlacRipTest = RipTest;

TEST_F(FlacRipTest, AlbumDialogNamesAndEveryTrackBitForBit)
{
    ui()->lblArtist->setText(QStringLiteral("Artiste"));
    ui()->lblTitle->setText(QStringLiteral("Album"));
    ui()->ListView1->setCurrentItem(ui()->ListView1->topLevelItem(2));

    // The dialog opens on the window's names; what is confirmed goes back to them and to the row.
    window_->Informationssurlalbum1Click();
    Ui::TAlbumInfoForm *edits = window_->AlbumInfoForm()->Controls();
    EXPECT_EQ(edits->strArtist->text(), "Artiste");
    EXPECT_EQ(edits->strAlbum->text(), "Album");
    EXPECT_EQ(edits->strTitle->text(), "");
    EXPECT_EQ(edits->strTrackNum->text(), "3");
    edits->strArtist->setText(QStringLiteral("Orchestre d'été"));
    edits->strAlbum->setText(QStringLiteral("Suites"));
    edits->strTitle->setText(QStringLiteral("Promenade"));
    edits->btnOK->click();
    EXPECT_EQ(ui()->lblArtist->text(), QStringLiteral("Orchestre d'été"));
    EXPECT_EQ(ui()->lblTitle->text(), "Suites");
    EXPECT_EQ(Cell(3, 1), "Promenade");

    // Cancelled, it changes nothing.
    window_->Informationssurlalbum1Click();
    EXPECT_EQ(edits->strTitle->text(), "Promenade");
    edits->strArtist->setText(QStringLiteral("Autre"));
    edits->strTitle->setText(QStringLiteral("Autre"));
    edits->btnCancel->click();
    EXPECT_EQ(ui()->lblArtist->text(), QStringLiteral("Orchestre d'été"));
    EXPECT_EQ(Cell(3, 1), "Promenade");

    ui()->ComboBox1->setCurrentIndex(kFlac);
    // The names alone, in the order they were written (ReplayGain's tags are tested on their own).
    ui()->replaygain->setChecked(false);
    ui()->FlacCompressionSel->setCurrentIndex(8);
    window_->FlacCompressionSelChange();
    EXPECT_EQ(Cell(1, 3), "Flac - Compression: 8");
    Tick({1, 2, 3, 4, 5});
    Rip(kFlac);
    EXPECT_EQ(window_->StatusText(), "Rippage & encodage correctement aboutis");

    const std::vector<int32_t> starts = TrackStarts(QStringLiteral("demo"));
    for (int track = 1; track <= 5; ++track) {
        const QString file = OutputPath(QString::number(track) + ".flac");
        EXPECT_FALSE(RunTool("flac", {"-t", "-s", file}).isNull()) << track;
        // The audio from the track's start to the next one's, as the image holds it.
        const QByteArray decoded = RunTool(
            "flac", {"-d", "-s", "-c", "--force-raw-format", "--endian=little", "--sign=signed", file});
        EXPECT_TRUE(decoded == ImageSectors(QStringLiteral("demo"), starts[track - 1], starts[track] - 1))
            << track << ": " << decoded.size() << " bytes";
        EXPECT_FALSE(Ticked(track));
        EXPECT_EQ(Cell(track, 4), SizeText(file));
    }
    const QString third = OutputPath(QStringLiteral("3.flac"));
    // The MD5 of STREAMINFO is the decoded audio's, not left blank.
    EXPECT_NE(RunTool("metaflac", {"--show-md5sum", third}).trimmed(), QByteArray(32, '0'));
    const QStringList comments = Lines(RunTool("metaflac", {"--export-tags-to=-", third}));
    EXPECT_EQ(comments, (QStringList{QStringLiteral("ARTIST=Orchestre d'été"), "ALBUM=Suites",
                                     "TITLE=Promenade", "TRACKNUMBER=3", "TRACKTOTAL=5", "DISCID=25008705"}));
}

TEST_F(FlacRipTest, ACancelledTrackLeavesNoFileAndItsRowTicked)
{
    Tick({4, 5});
    OnFirstProgress([this] { window_->btnCancelRipClick(); });
    Rip(kFlac);

    EXPECT_EQ(window_->StatusText(), "Rippage & encodage flac abandonnés");
    EXPECT_FALSE(QFile::exists(OutputPath(QStringLiteral("4.flac"))));
    EXPECT_FALSE(QFile::exists(OutputPath(QStringLiteral("5.flac"))));
    EXPECT_TRUE(Ticked(4));
    EXPECT_TRUE(Ticked(5));
    EXPECT_FALSE(window_->RipInProgress);
    EXPECT_EQ(ui()->ProgressBar2->value(), 0);
}
