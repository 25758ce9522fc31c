// The Ogg path of the rip command: the window reads the ripper's chunks itself and feeds them to
// the Vorbis library, one file per ticked audio track.

#include "album_info_form.h"
#include "cdrip_test_form.h"
#include "message_box.h"
#include "output_names.h"
#include "ui_TAlbumInfoForm.h"
#include "ui_TCDRipTestForm.h"

#include <algorithm>
#include <cstring>
#include <new>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTime>

namespace {

constexpr int kNameColumn = 1;
constexpr int kSizeColumn = 4;
constexpr int kTagTextBytes = 131;

// The stream's ENCODED_BY comment.
const char *const kEncoderName = "Quavrel 1.1";

enum TagText { kArtist, kAlbum, kTitle, kComment, kGenre, kEncodedBy, kTime };

QString FileErrorText(const QString &path)
{
    return QStringLiteral("Erreur : impossible d'écrire le fichier ") + QDir::toNativeSeparators(path);
}

// Closes the ripper on every way out of a track once it is open.
struct RipperScope {
    RipperScope() = default;
    ~RipperScope() { cdrip3::CR_CloseRipper(); }
    RipperScope(const RipperScope &) = delete;
    RipperScope &operator=(const RipperScope &) = delete;
};

} // namespace

void TCDRipTestForm::btnRip_EncodeClick()
{
    if (ui->ComboBox1->currentIndex() != 0 || !IsAudioCDReady())
        return;
    if (!VorbisLoaded()) {
        ShowMessageBox(this, QStringLiteral("Vorbis.DLL non prête."), QStringLiteral("OK"));
        return;
    }
    if (RipInProgress)
        return;

    cdrip3::CR_StopPlayTrack();
    const VB_CONFIG format = VorbisFormatRecord(ui->EncQualitySel->currentText().toInt());
    RipInProgress = true;
    CancelRequested = false;
    ui->ProgressBar2->setMaximum(0);
    ui->ProgressBar2->setValue(0);
    ui->ProgressBar2->setMaximum(ui->ProgressBar2->maximum() + TickedRowCount());

    // Rows are looked up again after each track: a medium removal empties the list meanwhile.
    for (int row = 0; row < ui->ListView1->topLevelItemCount(); ++row) {
        const QTreeWidgetItem *item = ui->ListView1->topLevelItem(row);
        if (item->checkState(0) == Qt::Checked) {
            const int track = row + 1;
            if (track > CdInfo.TrackCount || CdInfo.Slot(track).IsAudio != 1) {
                SetStatusText(QStringLiteral("Piste non audio - Piste %1").arg(track));
            } else {
                const QString fileName = OutputFileFor(row, QStringLiteral(".ogg"));
                if (Track2OggFile(track, fileName, format) == 0) {
                    SetStatusText(QStringLiteral("Rippage & encodage correctement aboutis"));
                    if (QTreeWidgetItem *done = ui->ListView1->topLevelItem(row)) {
                        done->setText(kSizeColumn, SizeText(fileName));
                        done->setCheckState(0, Qt::Unchecked);
                    }
                    ui->ProgressBar1->setValue(0);
                }
            }
        }
        ui->ProgressBar2->setValue(ui->ProgressBar2->value() + 1);
        if (CancelRequested) {
            ResetProgressBars();
            break;
        }
    }
    ui->ProgressBar2->setValue(0);
    RipInProgress = false;
    cdrip3::CR_LockCD(0);
}

VB_TAG TCDRipTestForm::OggTagRecord(int TrackNum)
{
    const Ui::TAlbumInfoForm *album = AlbumInfoForm()->Controls();
    const auto filled = [](const QString &text, const QString &otherwise) {
        return text.trimmed().isEmpty() ? otherwise : text;
    };
    // The row's own name; the dialog's title only for the track it was typed for.
    const QTreeWidgetItem *item = ui->ListView1->topLevelItem(TrackNum - 1);
    QString title = item ? item->text(kNameColumn) : QString();
    if (title == QLatin1String("?"))
        title = album->strTrackNum->text().trimmed() == QString::number(TrackNum) ? album->strTitle->text()
                                                                                  : QString();

    const QString texts[] = {
        filled(album->strArtist->text(), ui->lblArtist->text()),
        filled(album->strAlbum->text(), ui->lblTitle->text()),
        title,
        QStringLiteral("Encoder DLL : ") + VorbisVersionText(),
        QStringLiteral("Blue"),
        QString::fromLatin1(kEncoderName),
        QTime::currentTime().toString(QStringLiteral("HH:mm:ss")),
    };
    for (size_t i = 0; i < oggTagTexts_.size(); ++i) {
        const QByteArray bytes = Utf8Prefix(texts[i], kTagTextBytes);
        oggTagTexts_[i].fill('\0');
        std::memcpy(oggTagTexts_[i].data(), bytes.constData(), static_cast<size_t>(bytes.size()));
    }

    VB_TAG tag{};
    tag.dwStructSize = sizeof(VB_TAG);
    tag.dwStructVersion = 1;
    tag.dwReserved[0] = 1;
    tag.dwReserved[1] = 44;
    tag.dwReserved[2] = 1;
    tag.lpszArtist = oggTagTexts_[kArtist].data();
    tag.lpszAlbum = oggTagTexts_[kAlbum].data();
    tag.lpszTitle = oggTagTexts_[kTitle].data();
    tag.lpszComment = oggTagTexts_[kComment].data();
    tag.dwTrackNumber = static_cast<uint32_t>(TrackNum);
    tag.dwTrackTotal = static_cast<uint32_t>(std::max(cdrip3::CR_GetNumTocEntries(), 0));
    tag.lpszGenre = oggTagTexts_[kGenre].data();
    tag.lpszEncodedBy = oggTagTexts_[kEncodedBy].data();
    tag.lpszEncodingTime = oggTagTexts_[kTime].data();
    return tag;
}

int32_t TCDRipTestForm::Track2OggFile(int TrackNum, const QString &FileName, const VB_CONFIG &Format)
{
    const TCdTrackSlot &slot = CdInfo.Slot(TrackNum);
    const int32_t first = slot.StartSector;
    const int32_t last = first + slot.LengthSectors - 1;
    int32_t chunkBytes = 0;
    if (cdrip3::CR_OpenRipper(&chunkBytes, first, last) != CDRIP_OK) {
        ShowMessageBox(this, QStringLiteral("Error : CR_OpenRipper"), QStringLiteral("OK"));
        return 1;
    }
    const RipperScope ripper;

    // The buffers live for this track only.
    struct Buffers {
        std::vector<uint8_t> &rip;
        std::vector<uint8_t> &pcm;
        ~Buffers()
        {
            rip = {};
            pcm = {};
        }
    } buffers{oggRipBuffer_, oggPcmBuffer_};
    try {
        oggRipBuffer_.assign(static_cast<size_t>(std::max(chunkBytes, 0)), 0);
    } catch (const std::bad_alloc &) {
        ShowMessageBox(this, QStringLiteral("Error : memory allocation (RipBuffer)"), QStringLiteral("OK"));
        return 1;
    }

    QFile file(FileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        SetStatusText(FileErrorText(FileName));
        return 1;
    }
    VB_TAG tag = OggTagRecord(TrackNum);
    VB_CONFIG config = Format;
    uint32_t samples = 0;
    uint32_t outSize = 0;
    HVB_STREAM stream = 0;
    const VB_ERR opened = vbEncOpen(&config, &tag, &samples, &outSize, &stream);
    if (opened != VB_ERR_SUCCESSFUL) {
        ShowErrorBox(this, QStringLiteral("Error opening encoding stream %1").arg(opened));
        return 1;
    }
    std::vector<uint8_t> output;
    try {
        output.assign(outSize, 0);
        oggPcmBuffer_.assign(2 * static_cast<size_t>(samples), 0);
    } catch (const std::bad_alloc &) {
        // Closing the stream needs the very output buffer that could not be had.
        ShowMessageBox(this, QStringLiteral("Error : memory allocation (OutBuffer, RawBuffer)"),
                       QStringLiteral("OK"));
        return 1;
    }

    oggHeld_ = 0;
    oggOffset_ = 0;
    oggPercent_ = 0;
    oggEnded_ = false;
    // After a failure the stream is still closed, so what was written stays a valid Ogg file.
    bool failed = false;
    while (!CancelRequested) {
        const int32_t got = PcmReader(static_cast<int32_t>(2 * samples));
        if (got == 0)
            break;
        uint32_t outBytes = 0;
        const VB_ERR written =
            vbEncWrite(stream, static_cast<uint32_t>(got / 2),
                       reinterpret_cast<const int16_t *>(oggPcmBuffer_.data()), output.data(), &outBytes);
        if (written != VB_ERR_SUCCESSFUL) {
            ShowErrorBox(this, QStringLiteral("vbEncWrite failed %1").arg(written));
            failed = true;
            break;
        }
        if (file.write(reinterpret_cast<const char *>(output.data()), outBytes) !=
            static_cast<qint64>(outBytes)) {
            SetStatusText(FileErrorText(FileName));
            failed = true;
            break;
        }
        SetStatusText(QStringLiteral("Rippage & encodage ogg de la piste %1 : %2% fait")
                          .arg(TrackNum)
                          .arg(oggPercent_));
        ui->ProgressBar1->setValue(oggPercent_);
        QCoreApplication::processEvents();
    }

    uint32_t outBytes = 0;
    const VB_ERR closed = vbEncClose(stream, output.data(), &outBytes);
    if (closed != VB_ERR_SUCCESSFUL) {
        if (!failed)
            ShowErrorBox(this, QStringLiteral("vbEncClose failed %1").arg(closed));
        return 1;
    }
    if (file.write(reinterpret_cast<const char *>(output.data()), outBytes) !=
            static_cast<qint64>(outBytes) ||
        !file.flush()) {
        SetStatusText(FileErrorText(FileName));
        return 1;
    }
    if (failed)
        return 1;
    if (CancelRequested) {
        SetStatusText(QStringLiteral("Rippage & Encodage abandonnés"));
        return 1;
    }
    SetStatusText(QStringLiteral("Rippage & Encodage complétés"));
    return 0;
}

int32_t TCDRipTestForm::PcmReader(int32_t Wanted)
{
    if (oggEnded_)
        return 0;
    uint8_t *pcm = oggPcmBuffer_.data();
    const uint8_t *rip = oggRipBuffer_.data();
    if (oggHeld_ - oggOffset_ >= Wanted) {
        std::memcpy(pcm, rip + oggOffset_, static_cast<size_t>(Wanted));
        oggOffset_ += Wanted;
        return Wanted;
    }
    const int32_t carry = oggHeld_ > 0 ? oggHeld_ - oggOffset_ : 0;
    if (carry > 0)
        std::memcpy(pcm, rip + oggOffset_, static_cast<size_t>(carry));

    int32_t abortFlag = 0;
    const int32_t result = cdrip3::CR_RipChunk(oggRipBuffer_.data(), &oggHeld_, &abortFlag);
    oggOffset_ = 0;
    // A jitter error's chunk is repaired audio: it is used all the same.
    if ((result == CDRIP_OK || result == CDRIP_JITTER_ERROR) && oggHeld_ > 0) {
        oggPercent_ = cdrip3::CR_GetPercentCompleted();
        const int32_t room = Wanted - carry;
        const int32_t taken = std::min(room, oggHeld_);
        std::memcpy(pcm + carry, rip, static_cast<size_t>(taken));
        oggOffset_ = taken;
        return carry + taken;
    }
    if (result != CDRIP_OK && result != CDRIP_JITTER_ERROR && result != CDRIP_RIPPING_DONE)
        ShowMessageBox(this, QStringLiteral("Error : CR_RipChunk"), QStringLiteral("OK"));
    // The end of the track's audio: the bytes carried over, shorter than a block, are its last.
    oggHeld_ = 0;
    oggEnded_ = true;
    return carry;
}
