// Drives, the disc in the active drive and its track list, the tray and the drive parameters, over
// the generated disc images: 0 demo (five audio tracks), 1 enhanced (audio then data), 2 mixed (data
// then audio), 3 onetrack.

#include "drive_catalogue.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/device_notices.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"

#include <cstring>
#include <map>

#include <QCoreApplication>
#include <QFile>
#include <QTest>

namespace {

enum Drive { kDemo = 0, kEnhanced = 1, kMixed = 2, kOneTrack = 3 };

QStringList Row(const TCDRipTestForm &window, int row)
{
    QStringList cells;
    const QTreeWidgetItem *item = window.Controls()->ListView1->topLevelItem(row);
    for (int column = 0; column < item->columnCount(); ++column)
        cells << item->text(column);
    return cells;
}

int RowCount(const TCDRipTestForm &window)
{
    return window.Controls()->ListView1->topLevelItemCount();
}

void ChooseDrive(TCDRipTestForm &window, int index)
{
    window.Controls()->DriveSelBox->setCurrentIndex(index);
    emit window.Controls()->DriveSelBox->activated(index);
}

// Shown without the automatic lookup, which would ask the CDDB server.
void Show(TCDRipTestForm &window)
{
    window.Controls()->CheckBox1->setChecked(false);
    window.show();
}

// Lets the queued device notices through.
void DeliverNotices()
{
    QCoreApplication::processEvents();
}

class DiscTest : public WindowTest {
  protected:
    void TearDown() override
    {
        for (size_t index = 0; index < drives::DriveCount(); ++index)
            drives::CloseTray(index);
        SelectDrive(kDemo);
        WindowTest::TearDown();
    }
};

TEST_F(DiscTest, FirstShowListsTheDrivesAndTheDemoDiscsTracks)
{
    TCDRipTestForm window;
    auto *ui = window.Controls();
    ui->lblDiscID->setText("stale");
    Show(window);

    EXPECT_EQ(window.DriveCount, 4);
    ASSERT_EQ(ui->DriveSelBox->count(), 4);
    EXPECT_TRUE(ui->DriveSelBox->itemText(kDemo).contains("demo"));
    EXPECT_TRUE(ui->DriveSelBox->itemText(kMixed).contains("mixed"));
    EXPECT_EQ(ui->DriveSelBox->currentIndex(), 0);
    EXPECT_TRUE(ui->lblDiscID->text().isEmpty());
    EXPECT_EQ(window.StatusText(), "Un disque audio est chargé dans le lecteur.");
    EXPECT_TRUE(window.DiscInfoLoaded);

    const QString encoding = window.EncoderDescription;
    ASSERT_FALSE(encoding.isEmpty());
    const char *durations[] = {"00:20", "00:07", "01:04", "00:31", "00:12"};
    ASSERT_EQ(RowCount(window), 5);
    for (int row = 0; row < 5; ++row) {
        EXPECT_EQ(Row(window, row),
                  (QStringList{QString::number(row + 1), "?", durations[row], encoding, ""}));
        EXPECT_EQ(ui->ListView1->topLevelItem(row)->checkState(0), Qt::Unchecked);
    }
    EXPECT_TRUE(window.IsAudioCDReady());
    EXPECT_TRUE(window.CanPlay());
    EXPECT_TRUE(messages_.isEmpty());

    // A second show (after hiding) does not list the drives again.
    window.hide();
    Show(window);
    EXPECT_EQ(ui->DriveSelBox->count(), 4);
}

TEST_F(DiscTest, ChangingDrivesReadsEachDiscAndItsKind)
{
    TCDRipTestForm window;
    auto *ui = window.Controls();
    Show(window);
    ui->lblArtist->setText("Artiste");
    ui->lblTitle->setText("Titre");

    ChooseDrive(window, kEnhanced);
    EXPECT_TRUE(ui->lblArtist->text().isEmpty() && ui->lblTitle->text().isEmpty());
    EXPECT_EQ(window.CDRIP1.CDRomNum(), kEnhanced);
    EXPECT_EQ(window.StatusText(), "Un disque composite est chargé dans le lecteur.");
    ASSERT_EQ(RowCount(window), 3);
    EXPECT_EQ(Row(window, 1), (QStringList{"2", "?", "00:08", window.EncoderDescription, ""}));
    // A data row has no "Encodage" or size cell.
    EXPECT_EQ(Row(window, 2), (QStringList{"3", "?", "Piste de données"}));
    EXPECT_TRUE(window.IsAudioCDReady());
    // Changing the format rewrites the audio rows only.
    ui->ComboBox1->setCurrentIndex(2);
    emit ui->ComboBox1->activated(2);
    EXPECT_EQ(Row(window, 1)[3], "Wav");
    EXPECT_EQ(Row(window, 2), (QStringList{"3", "?", "Piste de données"}));

    ChooseDrive(window, kMixed);
    EXPECT_EQ(window.StatusText(), "Un disque composite est chargé dans le lecteur.");
    EXPECT_EQ(Row(window, 0), (QStringList{"1", "?", "Piste de données"}));
    EXPECT_EQ(Row(window, 1)[2], "00:05");

    ChooseDrive(window, kOneTrack);
    EXPECT_EQ(window.StatusText(), "Un disque audio est chargé dans le lecteur.");
    ASSERT_EQ(RowCount(window), 1);
    EXPECT_EQ(Row(window, 0)[2], "00:09");
    EXPECT_EQ(window.CdInfo.DiscType, 1);
}

TEST_F(DiscTest, ChangingToADriveWithoutMediumEmptiesTheList)
{
    TCDRipTestForm window;
    Show(window);
    ASSERT_EQ(drives::OpenTray(kMixed), drives::DriveError::None);
    DeliverNotices(); // another drive's medium left: nothing changes
    EXPECT_EQ(RowCount(window), 5);
    EXPECT_EQ(window.StatusText(), "Un disque audio est chargé dans le lecteur.");

    ChooseDrive(window, kMixed);
    EXPECT_EQ(window.StatusText(), "Aucun disque n'est chargé dans le lecteur actif.");
    EXPECT_EQ(RowCount(window), 0);
    EXPECT_FALSE(window.DiscInfoLoaded);
    EXPECT_EQ(window.CdInfo.TrackCount, 0);
    EXPECT_FALSE(window.IsAudioCDReady());
    EXPECT_EQ(window.StatusText(), "Erreur : Pas de Disque dans le lecteur");
    EXPECT_FALSE(window.CanPlay());
    EXPECT_EQ(messages_, QStringList{"Pas de CD audio !"});
}

TEST_F(DiscTest, EjectThenCloseGoesThroughTheDeviceNotices)
{
    TCDRipTestForm window;
    auto *ui = window.Controls();
    Show(window);
    ui->lblDiscID->setText("1a0b2c05");

    ui->btnEjectCD->click();
    EXPECT_EQ(RowCount(window), 0);
    EXPECT_TRUE(ui->lblDiscID->text().isEmpty());
    // The removal notice is handled after the button's handler, as a window message would be.
    EXPECT_TRUE(window.DiscInfoLoaded);
    DeliverNotices();
    EXPECT_EQ(window.StatusText(), "Media Retiré !!");
    EXPECT_FALSE(window.DiscInfoLoaded);
    EXPECT_EQ(window.CdInfo.TrackCount, 0);
    EXPECT_FALSE(window.IsAudioCDReady());

    // Closing the tray shows the disc at once, without waiting for a notice; the arrival notice
    // that follows finds it loaded.
    ui->Fermerlelecteur1->trigger();
    EXPECT_TRUE(window.DiscInfoLoaded);
    ASSERT_EQ(RowCount(window), 5);
    EXPECT_EQ(Row(window, 2)[2], "01:04");
    EXPECT_EQ(window.StatusText(), "Un disque audio est chargé dans le lecteur.");
    DeliverNotices();
    EXPECT_EQ(window.StatusText(), "Un disque audio est chargé dans le lecteur.");

    // An arrival while the list is loaded changes nothing.
    window.SetStatusText("inchangé");
    ui->ListView1->topLevelItem(0)->setText(1, "Renommée");
    window.DeviceChange(TCDRipTestForm::kDeviceArrival);
    window.DeviceChange(0x0007); // any other event
    EXPECT_EQ(window.StatusText(), "inchangé");
    EXPECT_EQ(Row(window, 0)[1], "Renommée");
}

TEST_F(DiscTest, ARipBlocksEjectAndPlayAndARemovalDuringItCancelsIt)
{
    TCDRipTestForm window;
    auto *ui = window.Controls();
    Show(window);
    window.RipInProgress = true;

    ui->Ouvrirlelecteur1->trigger();
    EXPECT_EQ(window.StatusText(), "Rippage en cours, éjection CDROM impossible");
    drives::TrayStatus tray;
    ASSERT_EQ(drives::GetTrayStatus(kDemo, tray), drives::DriveError::None);
    EXPECT_FALSE(tray.open);
    EXPECT_EQ(RowCount(window), 5);
    EXPECT_FALSE(window.CanPlay());
    EXPECT_EQ(messages_, QStringList{"Ripping en cours !"});

    // The medium leaves anyway (the drive's own button).
    ASSERT_EQ(drives::OpenTray(kDemo), drives::DriveError::None);
    DeliverNotices();
    EXPECT_TRUE(window.CancelRequested);
    EXPECT_EQ(window.StatusText(), "Media Retiré !!");
    EXPECT_EQ(RowCount(window), 0);
    EXPECT_FALSE(window.DiscInfoLoaded);
}

TEST_F(DiscTest, AnArrivalBeforeTheMediumIsReadyIsAskedOnceMore)
{
    TCDRipTestForm window;
    Show(window);
    ASSERT_EQ(drives::OpenTray(kDemo), drives::DriveError::None);
    DeliverNotices();
    ASSERT_EQ(window.StatusText(), "Media Retiré !!");

    // The notice comes before the drive reports its medium; a rebuilt catalogue closes every tray
    // without a notice of its own.
    window.DeviceChange(TCDRipTestForm::kDeviceArrival);
    EXPECT_EQ(window.StatusText(), "Media Retiré !!");
    drives::RebuildCatalogue();
    EXPECT_TRUE(QTest::qWaitFor([&] { return window.DiscInfoLoaded; }, 5000));
    EXPECT_EQ(window.StatusText(), "Media chargé !!");
    EXPECT_EQ(RowCount(window), 5);

    // Still no medium when asked again: nothing more happens.
    ASSERT_EQ(drives::OpenTray(kDemo), drives::DriveError::None);
    DeliverNotices();
    window.DeviceChange(TCDRipTestForm::kDeviceArrival);
    QTest::qWait(600);
    EXPECT_EQ(window.StatusText(), "Media Retiré !!");
    EXPECT_FALSE(window.DiscInfoLoaded);
}

// The record as the library holds it for the active drive.
TCDRomParams ActiveParameters()
{
    TCDRomParams params{};
    EXPECT_EQ(cdrip3::CR_GetCDROMParameters(&params), CDRIP_OK);
    return params;
}

TEST_F(DiscTest, SavingDriveParametersChangesExactlyTheTenFields)
{
    TCDRipTestForm window;
    Show(window);
    TCDRomParams before = ActiveParameters();
    // Values unlike the saved ones, so that every field saved shows.
    before.ChunkSectors = 8;
    before.LockDuringRip = 0;
    before.JitterCorrection = 0;
    before.ReadRetries = 5;
    before.Speed = 4;
    before.OutputFormat = 2;
    ASSERT_EQ(cdrip3::CR_SetCDROMParameters(&before), CDRIP_OK);
    before = ActiveParameters();
    QFile::remove(TCDRipTestForm::CdromSettingsFile());

    window.Controls()->SauvegarderlesparamtresCDROM1->trigger();
    ASSERT_EQ(messages_.size(), 1);
    EXPECT_EQ(messages_.front(), "Paramètres CDROM Sauvegardés !, Voyez le fichier " +
                                     TCDRipTestForm::CdromSettingsFile() + ".");
    EXPECT_TRUE(QFile::exists(TCDRipTestForm::CdromSettingsFile()));

    // What the library reads back from its file after a fresh start.
    CdAccessEnd();
    CdAccessStart();
    ASSERT_TRUE(CDRipReady());
    SelectDrive(kDemo);
    const TCDRomParams after = ActiveParameters();
    const std::map<size_t, int32_t> saved = {{256, 26}, {260, 7}, {264, 1}, {284, -1}, {328, 0},
                                             {332, 30}, {336, 0}, {340, 0}, {344, 0},  {348, 0}};
    const auto *oldBytes = reinterpret_cast<const uint8_t *>(&before);
    const auto *newBytes = reinterpret_cast<const uint8_t *>(&after);
    for (size_t offset = 0; offset < sizeof(TCDRomParams);) {
        if (const auto field = saved.find(offset); field != saved.end()) {
            int32_t value = 0;
            std::memcpy(&value, newBytes + offset, sizeof value);
            EXPECT_EQ(value, field->second) << "offset " << offset;
            offset += sizeof value;
        } else {
            EXPECT_EQ(newBytes[offset], oldBytes[offset]) << "offset " << offset;
            ++offset;
        }
    }
}

TEST(MediumNoticeTest, OnlyAnOpticalDrivesMediaChangeCounts)
{
    const auto noticeOf = [](std::map<std::string, std::string> properties) {
        return MediumNoticeOfUdevChange([&](const char *name) -> const char * {
            const auto found = properties.find(name);
            return found == properties.end() ? nullptr : found->second.c_str();
        });
    };
    EXPECT_EQ(noticeOf({{"ID_CDROM", "1"}, {"DISK_MEDIA_CHANGE", "1"}, {"ID_CDROM_MEDIA", "1"}}),
              MediumNotice::Arrived);
    EXPECT_EQ(noticeOf({{"ID_CDROM", "1"}, {"DISK_MEDIA_CHANGE", "1"}}), MediumNotice::Removed);
    // The eject button's request, a hard disk's change, a property refresh: no notice.
    EXPECT_EQ(noticeOf({{"ID_CDROM", "1"}, {"DISK_EJECT_REQUEST", "1"}, {"ID_CDROM_MEDIA", "1"}}),
              std::nullopt);
    EXPECT_EQ(noticeOf({{"DISK_MEDIA_CHANGE", "1"}}), std::nullopt);
    EXPECT_EQ(noticeOf({{"ID_CDROM", "1"}, {"ID_CDROM_MEDIA", "1"}}), std::nullopt);
}

} // namespace
