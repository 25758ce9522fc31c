// Verified rips in the window: each ripped track's checksums against the AccurateRip database,
// the drive's read offset, and the rip log, cue sheet and playlist written beside the files.

#include "quavrel/engine/pipeline/staged_file.h"
#include "quavrel/naming/output_names.h"
#include "quavrel/settings/settings_table.h"
#include "quavrel/window/cdrip_test_form.h"
#include "quavrel/window/message_box.h"
#include "quavrel/window/track_columns.h"
#include "ui_TCDRipTestForm.h"

#include <algorithm>

#include <QDir>
#include <QLabel>
#include <ostrelle/ostrelle.h>

namespace {

const char *const kDefaultAccurateRipServer = "http://www.accuraterip.com";
// Drives read at most a few thousand samples off; more is a typing slip.
constexpr int kMaxReadOffset = 10000;

TCdToc OstrelleTocOf(const TCdInfo &Info)
{
    TCdToc toc{};
    const int count = std::clamp<int>(Info.TrackCount, 0, OSTRELLE_MAX_TRACKS);
    const auto entry = [](uint32_t msf, bool audio) {
        return TTocEntry{static_cast<uint8_t>(msf >> 16), static_cast<uint8_t>(msf >> 8),
                         static_cast<uint8_t>(msf), static_cast<OBOOL16>(audio ? 1 : 0)};
    };
    toc.Count = static_cast<uint8_t>(count);
    for (int number = 1; number <= count; ++number)
        toc.Tracks[number - 1] = entry(Info.Slot(number).StartMSF, Info.Slot(number).IsAudio == 1);
    toc.LeadOut = entry(Info.LeadOut, false);
    return toc;
}

} // namespace

QString TCDRipTestForm::DefaultAccurateRipServer()
{
    // Tests point the default at a server of their own; no rip of theirs asks the real one.
    const QString configured = qEnvironmentVariable("QUAVREL_ACCURATERIP_SERVER");
    return configured.isEmpty() ? QString::fromLatin1(kDefaultAccurateRipServer) : configured;
}

void TCDRipTestForm::ConnectVerifyControls()
{
    AccurateRipServer = DefaultAccurateRipServer();
    verifyNote_ = new QLabel(ui->StatusBar1);
    verifyNote_->setObjectName(QStringLiteral("VerifyNote"));
    verifyNote_->hide();
    ui->StatusBar1->addPermanentWidget(verifyNote_);
    auto *offsetAction = new QAction(QStringLiteral("Décalage de &lecture du lecteur..."), this);
    offsetAction->setObjectName(QStringLiteral("Decalagedelecture1"));
    PopupMenu1->addAction(offsetAction);
    connect(offsetAction, &QAction::triggered, this, &TCDRipTestForm::Decalagedelecture1Click);
}

QString TCDRipTestForm::VerifyNoteText() const
{
    return verifyNote_->text();
}

std::vector<StoredSetting> TCDRipTestForm::VerifySettings()
{
    return {
        TextSetting(
            QStringLiteral("Serveur AccurateRip"), [this] { return AccurateRipServer; },
            [this](const QString &text) { AccurateRipServer = text.trimmed(); }),
        // One line per drive: the offset, a space, the drive's name as the drive box shows it.
        TextSetting(
            QStringLiteral("Décalages de lecture"),
            [this] {
                QStringList lines;
                for (auto it = readOffsets_.cbegin(); it != readOffsets_.cend(); ++it)
                    lines << QStringLiteral("%1 %2").arg(it.value()).arg(it.key());
                return lines.join(QLatin1Char('\n'));
            },
            [this](const QString &text) {
                readOffsets_.clear();
                for (const QString &line : text.split(QLatin1Char('\n'), Qt::SkipEmptyParts)) {
                    int offset = 0;
                    const qsizetype space = line.indexOf(QLatin1Char(' '));
                    if (space > 0 && ParseStoredInteger(line.left(space), offset) &&
                        std::abs(offset) <= kMaxReadOffset)
                        readOffsets_.insert(line.mid(space + 1), offset);
                }
            }),
    };
}

int32_t TCDRipTestForm::ReadOffsetOf(const QString &Drive) const
{
    return readOffsets_.value(Drive, 0);
}

void TCDRipTestForm::SetReadOffsetOf(const QString &Drive, int32_t Samples)
{
    if (Samples == 0)
        readOffsets_.remove(Drive);
    else
        readOffsets_.insert(Drive, Samples);
}

void TCDRipTestForm::Decalagedelecture1Click()
{
    const QString drive = ui->DriveSelBox->currentText();
    if (drive.isEmpty())
        return;
    const QString text = InputBox(this, QStringLiteral("Décalage de lecture"),
                                  QStringLiteral("Décalage de lecture de %1, en échantillons :").arg(drive),
                                  QString::number(ReadOffsetOf(drive)));
    int offset = 0;
    if (!ParseStoredInteger(text.trimmed(), offset) || std::abs(offset) > kMaxReadOffset) {
        SetStatusText(QStringLiteral("Décalage de lecture invalide : %1 (de -%2 à +%2 échantillons)")
                          .arg(text)
                          .arg(kMaxReadOffset));
        return;
    }
    SetReadOffsetOf(drive, offset);
    SetStatusText(QStringLiteral("Décalage de lecture de %1 : %2 échantillon(s)").arg(drive).arg(offset));
}

void TCDRipTestForm::BeginVerifiedCommand()
{
    session_ = RipSession{};
    session_.Version = QStringLiteral(QUAVREL_VERSION);
    session_.Started = QDateTime::currentDateTime();
    session_.Drive = ui->DriveSelBox->currentText();
    session_.ReadOffset = ReadOffsetOf(session_.Drive);
    session_.Server = AccurateRipServer;
    session_.Artist = ui->lblArtist->text();
    session_.Album = ui->lblTitle->text();
    session_.Disc = AccurateRipDiscOf(CdInfo, [this] {
        const TCdToc toc = OstrelleTocOf(CdInfo);
        return CalcDiscID(&toc);
    }());
    const QString format = ui->ComboBox1->currentText();
    session_.Settings << QStringLiteral("Format : %1").arg(format);
    if (ui->ComboBox1->currentIndex() == kFormatOgg)
        session_.Settings << QStringLiteral("Qualité Ogg : %1").arg(ui->EncQualitySel->currentText());
    else if (ui->ComboBox1->currentIndex() == kFormatMp3)
        session_.Settings << QStringLiteral("Mp3 : %1 kbit/s (max. %2), %3 Hz%4")
                                 .arg(ui->debitmin->currentText(), ui->debitmax->currentText(),
                                      ui->fquce->currentText(),
                                      ui->vbr->isChecked() ? QStringLiteral(", VBR") : QString());
    session_.Settings << QStringLiteral("Lecture : correction de gigue (paranoïa)");
}

ReadOffset TCDRipTestForm::DriveReadOffset() const
{
    const AccurateRipDisc &disc = session_.Disc;
    if (disc.Empty())
        return {};
    // The audio as the rip command reads it: from the first audio track to the sector before
    // whatever follows the last one.
    const int last = disc.Tracks.back();
    int32_t first = 0;
    int32_t end = 0;
    TrackRange(last, first, end);
    return {session_.ReadOffset, disc.Starts.front(), end + 1};
}

int TCDRipTestForm::TrackStartingAt(int32_t Sector) const
{
    for (int number = 1; number <= std::min<int>(CdInfo.TrackCount, 100); ++number)
        if (CdInfo.Slot(number).IsAudio == 1 && CdInfo.Slot(number).StartSector == Sector)
            return number;
    return 0;
}

TrackChecksums TCDRipTestForm::ChecksumsFor(int Track) const
{
    const AccurateRipDisc &disc = session_.Disc;
    const int index = disc.IndexOf(Track);
    return TrackChecksums(disc.FramesOf(Track), index == 1,
                          index > 0 && index == static_cast<int>(disc.Tracks.size()));
}

void TCDRipTestForm::RecordVerifiedTrack(int Track, int32_t First, int32_t Last, const QString &FileName,
                                         const RipReport &Report, const TrackChecksums &Sums,
                                         bool Checksummed)
{
    if (Track <= 0)
        return;
    if (!session_.LookedUp && Checksummed) {
        const QString key = AccurateRipServer + QLatin1Char(' ') + session_.Disc.FileName();
        // A disc known or unknown to the server stays so for the session; an offline one is asked again.
        if (key == cachedLookupKey_) {
            session_.Lookup = cachedLookup_;
        } else {
            session_.Lookup = LookUpAccurateRip(AccurateRipServer, session_.Disc);
            if (session_.Lookup.Found() || session_.Lookup.Result == AccurateRipResult::NotInDatabase) {
                cachedLookupKey_ = key;
                cachedLookup_ = session_.Lookup;
            }
        }
        session_.LookedUp = true;
    }
    VerifiedTrack track;
    track.Number = Track;
    const QTreeWidgetItem *item = ui->ListView1->topLevelItem(Track - 1);
    track.Title = item && item->text(kNameColumn) != QLatin1String("?") ? item->text(kNameColumn) : QString();
    track.File = FileName;
    track.FirstSector = First;
    track.LastSector = Last;
    track.Crc32 = Sums.Crc32();
    track.V1 = Sums.V1();
    track.V2 = Sums.V2();
    track.Checksummed = Checksummed;
    track.Verdict = VerdictOf(session_.Lookup, session_.Disc.IndexOf(Track), track.V1, track.V2);
    track.JitterErrors = Report.JitterErrors;
    track.DamagedSectors = Report.DamagedSectors;
    session_.Tracks.push_back(track);
    verifyNote_->setText(TrackVerdictText(track));
    verifyNote_->show();
}

void TCDRipTestForm::WriteRipReports()
{
    if (session_.Tracks.empty())
        return;
    session_.Directory = OutputDirectory;
    const QString base =
        OutputDirectory + QDir::separator() + SafeFileName(session_.Album, QStringLiteral("Album"));
    const std::pair<QString, QByteArray> reports[] = {
        {QStringLiteral(".log"), RipLogText(session_).toUtf8()},
        {QStringLiteral(".cue"), CueSheetBytes(CueSheetText(session_))},
        {QStringLiteral(".m3u"), PlaylistText(session_).toUtf8()},
    };
    for (const auto &[extension, bytes] : reports) {
        QString error;
        if (!WriteFileAtomically(base + extension, bytes, error))
            SetStatusText(error);
    }
}
