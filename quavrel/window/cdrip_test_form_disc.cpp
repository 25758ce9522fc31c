// Drives, the disc in the active drive and its track list, the tray, and the drive parameters.

#include "platform/common/config_dir.h"
#include "platform/drives/drive_catalogue.h"
#include "quavrel/engine/bindings/cd_info_disc.h"
#include "quavrel/engine/bindings/vorbis_binding.h"
#include "quavrel/engine/pipeline/runtime_rip_source.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

#include <algorithm>
#include <cerrno>

#include <QDir>
#include <QScreen>
#include <QShowEvent>
#include <QSignalBlocker>
#include <QTimer>

namespace {

// Two decimal digits, "0"-padded: 9 → "09".
QString TwoDigits(uint32_t value)
{
    return QStringLiteral("%1").arg(value, 2, 10, QLatin1Char('0'));
}

QString DurationText(uint32_t lengthMSF)
{
    return TwoDigits((lengthMSF >> 16) & 0xFF) + QStringLiteral(":") + TwoDigits((lengthMSF >> 8) & 0xFF);
}

const QString kNoDisc = QStringLiteral("Aucun disque n'est chargé dans le lecteur actif.");

// The drive parameters written by btnSaveSettingsClick; the rest of the record is the drive's own.
void SetSavedParameters(TCDRomParams &params)
{
    params.ChunkSectors = 26;
    params.Option260 = 7;
    params.LockDuringRip = 1;
    params.JitterCorrection = -1;
    params.Option328 = 0;
    params.ReadRetries = 30;
    params.Option336 = 0;
    params.Option340[0] = 0;
    params.Option340[1] = 0;
    params.Option340[2] = 0;
}

} // namespace

void TCDRipTestForm::ConnectDiscControls()
{
    // activated, not currentIndexChanged: filling the box must not switch drives.
    connect(ui->DriveSelBox, &QComboBox::activated, this, &TCDRipTestForm::DriveSelBoxChange);
    connect(ui->btnCloseCD, &QToolButton::clicked, this, &TCDRipTestForm::btnCloseCDClick);
    connect(ui->Fermerlelecteur1, &QAction::triggered, this, &TCDRipTestForm::btnCloseCDClick);
    connect(ui->btnEjectCD, &QToolButton::clicked, this, &TCDRipTestForm::btnEjectCDClick);
    connect(ui->Ouvrirlelecteur1, &QAction::triggered, this, &TCDRipTestForm::btnEjectCDClick);
    connect(ui->SauvegarderlesparamtresCDROM1, &QAction::triggered, this,
            &TCDRipTestForm::btnSaveSettingsClick);
    deviceNotices_ = std::make_unique<TDeviceNotices>(
        [this](MediumNotice notice) {
            DeviceChange(notice == MediumNotice::Arrived ? kDeviceArrival : kDeviceRemoveComplete);
        },
        this);
}

void TCDRipTestForm::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!shown_ && !event->spontaneous()) {
        shown_ = true;
        FormShow();
    }
}

void TCDRipTestForm::FormShow()
{
    DiscInfoLoaded = false;
    // The Ogg path checks VorbisLoaded itself before it rips.
    LoadVorbis();
    if (CDRipReady()) {
        DriveCount = cdrip3::CR_GetNumCDROM();
        for (int index = 0; index < DriveCount; ++index)
            ui->DriveSelBox->addItem(QString::fromLocal8Bit(cdrip3::CR_GetCDROMIDByIndex(index)));
        if (DriveCount > 0)
            SelectDrive(0);
        if (cdrip3::CR_IsMediaLoaded()) {
            LoadDiscInfo();
            ShowDiscStatus();
        } else {
            ShowNoDiscStatus();
        }
    } else {
        SetStatusText(QStringLiteral("CDRip3.DLL non prête."));
    }
    ui->DriveSelBox->setCurrentIndex(0);
    ui->DriveSelBox->setFocus();
    ui->lblDiscID->clear();
    ApplyIconSet();
    // Once the window is on screen: the show event comes before it is, and the notices and the
    // lookup's progress window and messages must stand in front of it. The settings' notices come
    // first, and the lookup waits until they are read. An image that cannot serve was named in the
    // status bar: no server is asked about it.
    const bool lookUp = ui->CheckBox1->isChecked() && !ImageProblemShown();
    QTimer::singleShot(0, this, [this, lookUp] {
        // A frame placed above the screen (the stored corner is the window's, the frame's title
        // bar lies above it) is brought back where its title bar can be reached.
        if (const QScreen *shown = screen()) {
            const QRect area = shown->availableGeometry();
            const QRect frame = frameGeometry();
            if (frame.top() < area.top() || frame.left() < area.left())
                move(std::max(frame.left(), area.left()), std::max(frame.top(), area.top()));
        }
        ShowPendingNotices([this, lookUp] {
            if (lookUp)
                btnCalcDiscIDClick();
        });
    });
}

bool TCDRipTestForm::ImageProblemShown() const
{
    const int index = ui->DriveSelBox->currentIndex();
    return index >= 0 && !drives::MediumProblem(static_cast<size_t>(index)).empty();
}

void TCDRipTestForm::ShowNoDiscStatus()
{
    const int index = ui->DriveSelBox->currentIndex();
    const std::string problem =
        index >= 0 ? drives::MediumProblem(static_cast<size_t>(index)) : std::string();
    SetStatusText(problem.empty()
                      ? kNoDisc
                      : QStringLiteral("Image de disque inutilisable, ") + QString::fromStdString(problem));
}

void TCDRipTestForm::DriveSelBoxChange()
{
    // The rip reads the active drive to its end: the box goes back to it.
    if (RipRunning()) {
        const QSignalBlocker blocker(ui->DriveSelBox);
        ui->DriveSelBox->setCurrentIndex(CDRIP1.CDRomNum());
        SetStatusText(QStringLiteral("Rippage en cours, changement de lecteur impossible"));
        return;
    }
    ui->lblDiscID->clear();
    ui->lblArtist->clear();
    ui->lblTitle->clear();
    const int index = ui->DriveSelBox->currentIndex();
    StopDigitalPlayback();
    SelectDrive(index);
    DiscInfoLoaded = false;
    CdInfo.TrackCount = 0;
    ui->ListView1->clear();
    if (cdrip3::CR_IsMediaLoaded()) {
        LoadDiscInfo();
        ShowDiscStatus();
    } else {
        ShowNoDiscStatus();
    }
    // With no medium DiscType is still the previous disc's.
    ApplyIconSet();
    if (CdInfo.DiscType == 1 && ui->CheckBox1->isChecked())
        btnCalcDiscIDClick();
    CDRIP1.SetCDRomNum(index);
}

int TCDRipTestForm::TrackOfRow(int Row) const
{
    const QTreeWidgetItem *item = ui->ListView1->topLevelItem(Row);
    const QVariant track = item ? item->data(0, Qt::UserRole) : QVariant();
    return track.isValid() ? track.toInt() : Row + 1;
}

bool TCDRipTestForm::IsAudioTrack(int Track) const
{
    if (Track == 0) {
        const std::optional<Disc> disc = DiscOf(CdInfo);
        return DiscInfoLoaded && disc && disc->HasHiddenTrack();
    }
    return Track >= 1 && Track <= CdInfo.TrackCount && CdInfo.Slot(Track).IsAudio == 1;
}

void TCDRipTestForm::LoadDiscInfo()
{
    if (ReadCdInfo(CdInfo) != kCdInfoRead)
        return;
    DiscInfoLoaded = true;
    // New rows: nothing of an earlier match or rip belongs to them.
    ForgetMatch();
    ui->ListView1->clear();
    const QIcon icon = audioIcons_ ? ImageList1.value(0) : ImageList2.value(0);
    // The audio before track 1's start, offered first and unticked like every row.
    if (const std::optional<Disc> disc = DiscOf(CdInfo); disc && disc->HasHiddenTrack()) {
        auto *row = new QTreeWidgetItem(QStringList{QStringLiteral("0"), kHiddenTrackRowName,
                                                    DurationText(FramesToMSF(disc->TrackRange(0).Count())),
                                                    EncoderDescription, QString()});
        row->setData(0, Qt::UserRole, 0);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
        row->setIcon(0, icon);
        ui->ListView1->addTopLevelItem(row);
    }
    for (int number = 1; number <= CdInfo.TrackCount; ++number) {
        const TCdTrackSlot &slot = CdInfo.Slot(number);
        QStringList cells{QString::number(number), QStringLiteral("?")};
        if (slot.IsAudio == 1)
            cells << DurationText(slot.LengthMSF) << EncoderDescription << QString();
        else
            cells << QStringLiteral("Piste de données");
        auto *row = new QTreeWidgetItem(cells);
        row->setData(0, Qt::UserRole, number);
        row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
        row->setCheckState(0, Qt::Unchecked);
        row->setIcon(0, icon);
        ui->ListView1->addTopLevelItem(row);
    }
}

void TCDRipTestForm::ShowDiscStatus()
{
    switch (CdInfo.DiscType) {
    case 0:
        SetStatusText(QStringLiteral("Un disque de données est chargé dans le lecteur."));
        break;
    case 1:
        SetStatusText(QStringLiteral("Un disque audio est chargé dans le lecteur."));
        break;
    case 2:
        SetStatusText(QStringLiteral("Un disque composite est chargé dans le lecteur."));
        break;
    default:
        SetStatusText(QStringLiteral("Un disque inconnu est chargé dans le lecteur."));
        break;
    }
}

void TCDRipTestForm::ApplyIconSet()
{
    audioIcons_ = CdInfo.DiscType == 1;
    const QIcon icon = audioIcons_ ? ImageList1.value(0) : ImageList2.value(0);
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row)
        ui->ListView1->topLevelItem(row)->setIcon(0, icon);
}

bool TCDRipTestForm::IsAudioCDReady()
{
    // A rip in progress is reading the medium: no need to wait for its chunk to ask.
    if (!RipLibraryBusy() && !cdrip3::CR_IsMediaLoaded()) {
        SetStatusText(QStringLiteral("Erreur : Pas de Disque dans le lecteur"));
        return false;
    }
    if (!DiscInfoLoaded) {
        SetStatusText(QStringLiteral("Erreur : Pas d'information Disque"));
        return false;
    }
    if (CdInfo.DiscType == 0) {
        SetStatusText(QStringLiteral("Erreur : Disque de données"));
        return false;
    }
    return true;
}

bool TCDRipTestForm::CanPlay()
{
    if (!IsAudioCDReady()) {
        ShowMessageBox(this, QStringLiteral("Pas de CD audio !"), QStringLiteral("OK"));
        return false;
    }
    if (RipRunning()) {
        ShowMessageBox(this, QStringLiteral("Ripping en cours !"), QStringLiteral("OK"));
        return false;
    }
    return true;
}

void TCDRipTestForm::DeviceChange(uint32_t Event)
{
    if (Event == kDeviceArrival) {
        if (!DiscInfoLoaded)
            CheckArrivedMedium(true);
    } else if (Event == kDeviceRemoveComplete) {
        // Another drive's medium left.
        if (CallRipLibrary([] { return cdrip3::CR_IsMediaLoaded(); }))
            return;
        if (RipRunning())
            btnCancelRipClick();
        StopDigitalPlayback();
        SetStatusText(QStringLiteral("Media Retiré !!"));
        DiscInfoLoaded = false;
        CdInfo.TrackCount = 0;
        ui->ListView1->clear();
    }
}

// A drive may announce the medium before it can report it loaded.
void TCDRipTestForm::CheckArrivedMedium(bool mayRetry)
{
    if (CallRipLibrary([] { return cdrip3::CR_IsMediaLoaded(); })) {
        SetStatusText(QStringLiteral("Media chargé !!"));
        LoadDiscInfo();
    } else if (mayRetry) {
        QTimer::singleShot(300, this, [this] { CheckArrivedMedium(false); });
    }
}

void TCDRipTestForm::btnCloseCDClick()
{
    if (RipRunning()) {
        SetStatusText(QStringLiteral("Rippage en cours, fermeture CDROM impossible"));
        return;
    }
    StopDigitalPlayback();
    cdrip3::CR_EjectCD(0);
    // The list and the status follow the tray here, whether a device notice comes or not; the
    // lookup reads the disc the list then shows.
    ShowClosedTray(true);
}

void TCDRipTestForm::ShowClosedTray(bool mayRetry)
{
    if (!CallRipLibrary([] { return cdrip3::CR_IsMediaLoaded(); })) {
        // A drive may take a moment to see the disc it just took in.
        if (mayRetry)
            QTimer::singleShot(300, this, [this] { ShowClosedTray(false); });
        else
            ShowNoDiscStatus();
        ApplyIconSet();
        return;
    }
    if (!DiscInfoLoaded)
        LoadDiscInfo();
    ShowDiscStatus();
    ApplyIconSet();
    if (ui->CheckBox1->isChecked() && CdInfo.DiscType != 0)
        btnCalcDiscIDClick();
}

void TCDRipTestForm::btnEjectCDClick()
{
    if (RipRunning()) {
        SetStatusText(QStringLiteral("Rippage en cours, éjection CDROM impossible"));
        return;
    }
    StopDigitalPlayback();
    // The removal notice that follows resets DiscInfoLoaded.
    cdrip3::CR_EjectCD(1);
    ui->ListView1->clear();
    ui->lblDiscID->clear();
    ui->lblArtist->clear();
    ui->lblTitle->clear();
}

QString TCDRipTestForm::CdromSettingsFile()
{
    return QDir::toNativeSeparators(QString::fromStdString(platform::QuavrelConfigDir()) +
                                    QStringLiteral("/CDRipper.ini"));
}

void TCDRipTestForm::btnSaveSettingsClick()
{
    // The rip reads with the parameters it opened with; the library is busy with it.
    if (RipRunning()) {
        SetStatusText(QStringLiteral("Rippage en cours, paramètres CDROM non sauvegardés"));
        return;
    }
    StopDigitalPlayback();
    // A record that could not be read is not written back: that would replace the drive's own
    // parameters with whatever the record held before.
    if (cdrip3::CR_GetCDROMParameters(&CdromSettings) != CDRIP_OK) {
        ShowMessageBox(this, QStringLiteral("CDRIP_Erreur"));
        return;
    }
    SetSavedParameters(CdromSettings);
    if (cdrip3::CR_SetCDROMParameters(&CdromSettings) != CDRIP_OK) {
        ShowMessageBox(this, QStringLiteral("CDRIP_Erreur"));
        return;
    }
    errno = 0;
    if (cdrip3::CR_SaveSettings() != CDRIP_OK) {
        // The library leaves the file as it was and errno telling why.
        const int error = errno;
        ShowMessageBox(this, QStringLiteral("CDRIP_Erreur\n\nLe fichier %1 n'a pas été enregistré (%2).")
                                 .arg(CdromSettingsFile(), qt_error_string(error)));
        return;
    }
    ShowMessageBox(this, QStringLiteral("Paramètres CDROM Sauvegardés !, Voyez le fichier ") +
                             CdromSettingsFile() + QStringLiteral("."));
}

void TCDRipTestForm::ShowPendingNotices(std::function<void()> Then)
{
    if (pendingNotices_.isEmpty()) {
        Then();
        return;
    }
    const QString notice = pendingNotices_.takeFirst();
    ShowMessageBoxThen(this, notice,
                       [this, then = std::move(Then)]() mutable { ShowPendingNotices(std::move(then)); });
}
