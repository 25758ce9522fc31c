// The window on an emulated drive: the drive box, the track list, a WAV rip, eject and close
// answered by the drive and told back through the udev path (its datagram seam), and a disc's
// hidden track as the list's first row; a secure rip that reads through what the drive's cache
// would keep wrong.

#include "emulated_drives.h"
#include "quavrel/engine/bindings/cd_access.h"
#include "quavrel/window/cdrip_test_form.h"
#include "ui_TCDRipTestForm.h"
#include "window_test_support.h"
#include "winmsg.h"

#include <filesystem>
#include <optional>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

using emulatedtest::EmulatedDrives;

class WindowEmulated : public WindowTest {
  protected:
    void SetUp() override
    {
        WindowTest::SetUp();
        drives_.emplace(std::vector<std::string>{Spec()});
        setenv("QUAVREL_UDEV_EVENTS", (drives_->Directory() + "/udev").c_str(), 1);
        // The ripping library takes the drives when it starts, as at program start.
        CdAccessStart();
        winmsg::SetMessagePump([] { QCoreApplication::processEvents(); });
        window_.emplace();
        ui()->CheckBox1->setChecked(false); // no lookup: no server here
        window_->show();
    }

    void TearDown() override
    {
        window_.reset();
        winmsg::SetMessagePump({});
        CdAccessEnd();
        unsetenv("QUAVREL_UDEV_EVENTS");
        drives_.reset();
        WindowTest::TearDown();
    }

    virtual std::string Spec() const { return "demo"; }
    Ui::TCDRipTestForm *ui() const { return window_->Controls(); }
    int Rows() const { return ui()->ListView1->topLevelItemCount(); }

    std::optional<EmulatedDrives> drives_;
    std::optional<TCDRipTestForm> window_;
};

TEST_F(WindowEmulated, ListsTheDriveAndItsTracksAndRipsAWavBitIdentical)
{
    ASSERT_EQ(ui()->DriveSelBox->count(), 1);
    EXPECT_EQ(ui()->DriveSelBox->itemText(0),
              QString::fromStdString("QUAVREL Emulated CD-ROM 2.0 (" + drives_->Device(0) + ")"));
    EXPECT_EQ(window_->StatusText(), "Un disque audio est chargé dans le lecteur.");
    ASSERT_EQ(Rows(), 5);
    EXPECT_EQ(ui()->ListView1->topLevelItem(2)->text(2), "01:04");

    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    ui()->Label3->setText(out.path() + QStringLiteral("/"));
    ui()->creerlesrepertoires->setChecked(false);
    window_->N1Click();
    ui()->ListView1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ui()->ComboBox1->setCurrentIndex(2); // WAV
    window_->ripperlapisteauformatWav1Click();
    EXPECT_EQ(window_->StatusText(), "Rippage correctement exécuté ");

    QFile file(out.filePath(QStringLiteral("2.wav")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray wav = file.readAll();
    const std::vector<int32_t> starts = emulatedtest::TrackStarts("demo");
    ASSERT_EQ(starts.size(), 6u);
    const std::vector<uint8_t> audio = emulatedtest::BinSectors("demo", starts[1], starts[2] - 1);
    ASSERT_EQ(wav.size(), static_cast<qsizetype>(audio.size() + 44));
    EXPECT_TRUE(
        std::equal(audio.begin(), audio.end(), reinterpret_cast<const uint8_t *>(wav.constData()) + 44))
        << "the ripped audio differs from the image's";
}

TEST_F(WindowEmulated, EjectAndCloseComeBackAsUdevNotices)
{
    ASSERT_EQ(Rows(), 5);
    ui()->btnEjectCD->click();
    EXPECT_EQ(Rows(), 0);
    EXPECT_TRUE(QTest::qWaitFor([this] { return window_->StatusText() == "Media Retiré !!"; }))
        << window_->StatusText().toStdString();
    EXPECT_FALSE(window_->DiscInfoLoaded);
    EXPECT_FALSE(window_->IsAudioCDReady());
    EXPECT_EQ(window_->StatusText(), "Erreur : Pas de Disque dans le lecteur");

    // The closed tray's disc is in the list at once; the arrival notice finds it there.
    ui()->btnCloseCD->click();
    EXPECT_TRUE(QTest::qWaitFor([this] { return window_->DiscInfoLoaded; }));
    EXPECT_EQ(Rows(), 5);
    EXPECT_EQ(window_->StatusText(), "Un disque audio est chargé dans le lecteur.");
}

TEST_F(WindowEmulated, ATruncatedImageSaysSoAsTheSameImageAsAVirtualDriveDoes)
{
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    const std::filesystem::path folder = dir.path().toStdString();
    std::string bin = emulatedtest::CuePath("demo");
    bin.replace(bin.size() - 3, 3, "bin");
    std::filesystem::copy_file(emulatedtest::CuePath("demo"), folder / "cut.cue");
    std::filesystem::copy_file(bin, folder / "cut.bin");
    std::filesystem::resize_file(folder / "cut.bin", std::filesystem::file_size(bin) / 2);
    window_.reset();
    CdAccessEnd();
    drives_.reset();
    drives_.emplace(std::vector<std::string>{(folder / "cut.cue").string()});
    CdAccessStart();
    window_.emplace();
    ui()->CheckBox1->setChecked(false);
    window_->show();
    EXPECT_EQ(window_->StatusText(),
              QString::fromStdString("Image de disque inutilisable, fichier audio tronqué : " +
                                     (folder / "cut.bin").string()));
    EXPECT_EQ(Rows(), 0);
}

TEST_F(WindowEmulated, AHiddenTrackIsTheFirstRowUntickedAndRipsToAFileOfItsOwn)
{
    window_.reset();
    CdAccessEnd();
    drives_.reset();
    drives_.emplace(std::vector<std::string>{"contents"});
    CdAccessStart();
    window_.emplace();
    ui()->CheckBox1->setChecked(false);
    window_->show();
    ASSERT_EQ(Rows(), 6);
    const QTreeWidgetItem *hidden = ui()->ListView1->topLevelItem(0);
    EXPECT_EQ(hidden->text(0), "0");
    EXPECT_EQ(hidden->text(1), "Piste 0 — piste cachée");
    EXPECT_EQ(hidden->text(2), "00:06");
    EXPECT_EQ(hidden->checkState(0), Qt::Unchecked);
    EXPECT_EQ(ui()->ListView1->topLevelItem(1)->text(0), "1");

    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    ui()->Label3->setText(out.path() + QStringLiteral("/"));
    ui()->creerlesrepertoires->setChecked(false);
    ui()->ListView1->topLevelItem(0)->setCheckState(0, Qt::Checked);
    ui()->ListView1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ui()->ComboBox1->setCurrentIndex(2); // WAV
    window_->ripperlapisteauformatWav1Click();
    // The hidden track's file is the audio before track 1; the cue sheet puts track 1's INDEX 00
    // at its start.
    QFile file(out.filePath(QStringLiteral("0.wav")));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray wav = file.readAll();
    const std::vector<uint8_t> audio = emulatedtest::BinSectors("contents", 0, 449);
    ASSERT_EQ(wav.size(), static_cast<qsizetype>(audio.size() + 44));
    EXPECT_TRUE(
        std::equal(audio.begin(), audio.end(), reinterpret_cast<const uint8_t *>(wav.constData()) + 44));
    EXPECT_TRUE(QFile::exists(out.filePath(QStringLiteral("1.wav"))));
    const QStringList sheets = QDir(out.path()).entryList({QStringLiteral("*.cue")});
    ASSERT_EQ(sheets.size(), 1);
    QFile sheet(out.filePath(sheets.front()));
    ASSERT_TRUE(sheet.open(QIODevice::ReadOnly));
    const QString text = QString::fromLatin1(sheet.readAll());
    EXPECT_TRUE(text.contains(QStringLiteral("FILE \"0.wav\" WAVE\r\n  TRACK 01 AUDIO")) &&
                text.contains(
                    QStringLiteral("    INDEX 00 00:00:00\r\nFILE \"1.wav\" WAVE\r\n    INDEX 01 00:00:00")))
        << text.toStdString();
}

} // namespace

namespace {

// Track 2 (sectors 1517 to 2081) reads wrong the first time, and the drive's cache keeps it so.
class WindowEmulatedCache : public WindowEmulated {
  protected:
    std::string Spec() const override { return "demo,speed=20,seek=5,cache=1500,faults=firstread=1900-1909"; }
};

} // namespace

TEST_F(WindowEmulatedCache, ASecureRipIsTheDiscsAudioAndSaysSo)
{
    QTemporaryDir out;
    ASSERT_TRUE(out.isValid());
    ui()->Label3->setText(out.path() + QStringLiteral("/"));
    ui()->creerlesrepertoires->setChecked(false);
    auto *secure = window_->findChild<QAction *>(QStringLiteral("Lecturesure1"));
    ASSERT_NE(secure, nullptr);
    secure->setChecked(true);
    window_->N1Click();
    ui()->ListView1->topLevelItem(1)->setCheckState(0, Qt::Checked);
    ui()->ComboBox1->setCurrentIndex(3); // FLAC
    window_->ripperlapisteauformatWav1Click();
    // Some chunks were read more than twice: the copy is sure, its quality below 100 %.
    EXPECT_TRUE(
        window_->StatusText().startsWith("Rippage & encodage flac de la piste 2 : copie sûre, qualité 9"))
        << window_->StatusText().toStdString();

    QProcess flac;
    flac.start(QStringLiteral("flac"), {"-d", "-s", "-c", "--force-raw-format", "--endian=little",
                                        "--sign=signed", out.filePath(QStringLiteral("2.flac"))});
    ASSERT_TRUE(flac.waitForFinished(60000));
    const QByteArray decoded = flac.readAllStandardOutput();
    const std::vector<int32_t> starts = emulatedtest::TrackStarts("demo");
    const std::vector<uint8_t> audio = emulatedtest::BinSectors("demo", starts[1], starts[2] - 1);
    ASSERT_EQ(decoded.size(), static_cast<qsizetype>(audio.size()));
    EXPECT_TRUE(
        std::equal(audio.begin(), audio.end(), reinterpret_cast<const uint8_t *>(decoded.constData())))
        << "the ripped audio differs from the image's";
    QFile log(out.filePath(QStringLiteral("Album.log")));
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    const QByteArray text = log.readAll();
    EXPECT_TRUE(text.contains("Relu jusqu'à l'accord"));
    EXPECT_TRUE(text.contains("Cache audio du lecteur : présent (mesuré au début)")) << text.toStdString();
    // What the rip measured is kept for the drive's next rips.
    const QString drive = ui()->DriveSelBox->currentText();
    window_->close();
    EXPECT_EQ(StoredValue(QStringLiteral("Cache audio des lecteurs")), QStringLiteral("fua ") + drive);
}
