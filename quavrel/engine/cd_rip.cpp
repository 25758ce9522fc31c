#include "cd_rip.h"

#include "file_ext.h"
#include "lame_coder.h"
#include "wav_header.h"

#include <algorithm>
#include <cstring>
#include <limits>
#include <vector>

#include <QCoreApplication>
#include <QFile>

#include "cdrip_linked.h"

namespace {

// Offsets of the parameter record that the component reads and writes.
constexpr int kSpeedOffset = 276;
constexpr int kJitterCorrectOffset = 284;
constexpr int kDriveTableOffset = 292;
constexpr int kOutputFormatOffset = 327;

constexpr int32_t kRipFailed = 1;
constexpr int32_t kRipJitter = 3;
constexpr int32_t kRipDone = 4;

// Writes all of Data or raises "Write error".
void WriteAll(QFile &file, const uint8_t *data, qint64 size)
{
    if (size > 0 && file.write(reinterpret_cast<const char *>(data), size) != size)
        throw ECDRIPError("Write error");
}

} // namespace

static_assert(kLinkedParamsSize == 340);

TCDRomParams *TCDRIP::LibraryParams()
{
    // The linked library reads and writes only the first 340 bytes of the record.
    return reinterpret_cast<TCDRomParams *>(params_.data());
}

TCDRIP::TCDRIP(QObject *Owner) : QObject(Owner)
{
    try {
        version_ = QString::number(CR_GetCDRipVersion());
        if (CR_Init() != kRipFailed) {
            if (CR_GetCDROMParameters(LibraryParams()) != kRipFailed) {
                cdRomNum_ = CR_GetActiveCDROM();
                ReadParamsIntoProperties();
                jitterCorrect_ = true;
                WriteParam32(kJitterCorrectOffset, -1);
            }
            if (CR_ReadToc() != kRipFailed)
                BuildTrackList();
        }
        jitterErrors_ = 0;
    } catch (const std::exception &) {
        throw ECDRIPError("Initialization failure");
    }
}

TCDRIP::~TCDRIP() = default;

void TCDRIP::SetCoder(TLameCoder *Value)
{
    coder_ = Value;
    SyncCoder();
}

void TCDRIP::SetCDRomNum(int32_t Value)
{
    if (Value == cdRomNum_)
        return;
    try {
        if (CR_SetActiveCDROM(Value) != kRipFailed && CR_GetCDROMParameters(LibraryParams()) != kRipFailed) {
            ReadParamsIntoProperties();
            cdRomNum_ = Value;
        }
        if (CR_ReadToc() != kRipFailed)
            BuildTrackList();
    } catch (const std::exception &) {
        throw ECDRIPError("Initialization failure");
    }
}

void TCDRIP::SetOutputFormat(TOutputFormat Value)
{
    if (Value != outputFormat_)
        WriteParam32(kOutputFormatOffset, static_cast<int32_t>(Value));
    outputFormat_ = Value;
    SyncCoder();
}

void TCDRIP::SetJitterCorrect(bool Value)
{
    if (Value == jitterCorrect_)
        return;
    jitterCorrect_ = Value;
    WriteParam32(kJitterCorrectOffset, Value ? -1 : 0);
}

bool TCDRIP::ApplyParameters()
{
    try {
        return CR_SetCDROMParameters(LibraryParams()) != kRipFailed;
    } catch (const std::exception &) {
        throw ECDRIPError("Error setting parameters");
    }
}

void TCDRIP::SyncCoder()
{
    if (!coder_)
        return;
    coder_->SetMode(OutputChannels(outputFormat_) == 2 ? TLameMode::STEREO : TLameMode::MONO);
    coder_->SetSampleRate(static_cast<uint32_t>(OutputRate(outputFormat_)));
}

void TCDRIP::RipTrack(int32_t TrackNum, const QString &FileName)
{
    const auto number = static_cast<uint16_t>(TrackNum);
    if (OnBeginTrack)
        OnBeginTrack(this, number);
    const TTrack &track = tracks_.Track(TrackNum - 1);
    RipSectors(track.StartSector, track.EndSector, FileName);
    if (OnEndTrack)
        OnEndTrack(this, number);
}

void TCDRIP::RipSectors(int32_t FirstSector, int32_t LastSector, const QString &FileName)
{
    if (!ApplyParameters())
        throw ECDRIPError("Invalid CD-ROM parameters");

    cancel_ = false;
    // Each jitter file lists its own rip's errors.
    jitterList_.clear();
    int32_t blockBytes = 0;
    if (CR_OpenRipper(&blockBytes, FirstSector, LastSector) == kRipFailed)
        return;

    const int channels = OutputChannels(outputFormat_);
    const int rate = OutputRate(outputFormat_);
    const bool encoding = encode_ && coder_ != nullptr;
    QString outputName = FileName;
    if (encode_)
        outputName = ChangeFileExt(FileName, QStringLiteral(".mp3"));

    QFile file(outputName);
    bool streamOpen = false;
    bool wavHeaderWritten = false;
    qint64 dataBytes = 0;
    std::vector<uint8_t> ripBuffer;
    std::vector<uint8_t> chunkBuffer;
    size_t chunkBytes = 0;
    uint32_t samplesPerChunk = 0;

    // Runs once the ripper is open, whatever the outcome; a write error met here is raised after
    // the remaining steps, unless another error is already on its way.
    auto cleanup = [&](bool raiseErrors) {
        bool writeFailed = false;
        if (streamOpen) {
            uint32_t outBytes = 0;
            if (coder_->DeinitStream(coder_->OutBuffer(), &outBytes) == BE_ERR_SUCCESSFUL) {
                const qint64 size = outBytes;
                writeFailed = size > 0 && file.write(reinterpret_cast<const char *>(coder_->OutBuffer()), size) != size;
            }
            if (!writeFailed && file.isOpen() && coder_->WriteVBRHeader())
                coder_->WriteInfoTag(outputName);
            coder_->CloseStream();
            streamOpen = false;
        }
        jitterErrors_ = CR_GetNumberOfJitterErrors();
        CR_CloseRipper();
        ripBuffer = {};
        chunkBuffer = {};
        if (wavHeaderWritten) {
            // The header describes the data actually written, also after a cancel or an error.
            const auto size = static_cast<uint32_t>(std::min<qint64>(dataBytes, std::numeric_limits<uint32_t>::max() - 36));
            const WavHeader header = MakeWavHeader(channels, rate, size);
            writeFailed |= !file.seek(kWavRiffSizeOffset) || file.write(reinterpret_cast<const char *>(&header[kWavRiffSizeOffset]), 4) != 4;
            writeFailed |= !file.seek(kWavDataSizeOffset) || file.write(reinterpret_cast<const char *>(&header[kWavDataSizeOffset]), 4) != 4;
        }
        if (file.isOpen())
            file.close();
        if (writeFailed && raiseErrors)
            throw ECDRIPError("Write error");
    };

    try {
        if (encoding) {
            // A stream that did not open encodes nothing: the rip fails before any file exists.
            if (coder_->InitStream() != BE_ERR_SUCCESSFUL)
                throw ECDRIPError("Initialization failure");
            streamOpen = true;
            samplesPerChunk = coder_->Samples();
            chunkBytes = 2 * static_cast<size_t>(samplesPerChunk);
            chunkBuffer.resize(chunkBytes);
        }
        ripBuffer.resize(static_cast<size_t>(std::max(blockBytes, 0)) + chunkBytes);

        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Unbuffered))
            throw ECDRIPError("Write error");
        if (writeWAV_ && !encode_) {
            const WavHeader header = MakeWavHeader(channels, rate, 0);
            WriteAll(file, header.data(), static_cast<qint64>(header.size()));
            wavHeaderWritten = true;
        }

        size_t carry = 0;
        int32_t result = 0;
        do {
            if (cancel_)
                break;
            int32_t got = 0;
            result = CR_RipChunk(ripBuffer.data() + carry, &got);
            if (result != kRipFailed) {
                const size_t n = static_cast<size_t>(std::max(got, 0));
                if (encoding) {
                    const size_t total = carry + n;
                    size_t offset = 0;
                    for (; offset + chunkBytes <= total; offset += chunkBytes) {
                        std::memcpy(chunkBuffer.data(), ripBuffer.data() + offset, chunkBytes);
                        uint32_t outBytes = 0;
                        coder_->EncodeChunk(reinterpret_cast<const int16_t *>(chunkBuffer.data()), coder_->OutBuffer(), &outBytes);
                        WriteAll(file, coder_->OutBuffer(), outBytes);
                    }
                    carry = total - offset;
                    std::memmove(ripBuffer.data(), ripBuffer.data() + offset, carry);
                } else if (!encode_) {
                    WriteAll(file, ripBuffer.data(), static_cast<qint64>(n));
                    dataBytes += static_cast<qint64>(n);
                }
            }
            if (result == kRipJitter) {
                int32_t first = 0;
                int32_t last = 0;
                CR_GetLastJitterErrorPosition(&first, &last);
                jitterList_.append(QStringLiteral("%1 %2").arg(first).arg(last));
            }
            if (OnProgress)
                OnProgress(this, static_cast<uint16_t>(CR_GetPercentCompleted()));
            QCoreApplication::processEvents();
        } while (result != kRipDone);

        // The audio left over, shorter than one encoder chunk, is encoded too.
        if (encoding && carry > 0) {
            uint32_t outBytes = 0;
            coder_->EncodeChunk(static_cast<uint32_t>(carry / 2), reinterpret_cast<const int16_t *>(ripBuffer.data()),
                                coder_->OutBuffer(), &outBytes);
            WriteAll(file, coder_->OutBuffer(), outBytes);
        }
    } catch (...) {
        cleanup(false);
        throw;
    }
    cleanup(true);

    if (!jitterList_.isEmpty()) {
        QFile jitterFile(ChangeFileExt(outputName, QStringLiteral("jitt")));
        if (jitterFile.open(QIODevice::WriteOnly | QIODevice::Truncate | QIODevice::Text))
            jitterFile.write(jitterList_.join(u'\n').append(u'\n').toLocal8Bit());
    }
}

void TCDRIP::ReadParamsIntoProperties()
{
    int32_t table[7];
    std::memcpy(table, params_.data() + kDriveTableOffset, sizeof table);
    driveTable_.SetFields(table);
    outputFormat_ = static_cast<TOutputFormat>(params_[kOutputFormatOffset]);
    speed_ = ReadParam32(kSpeedOffset);
}

void TCDRIP::BuildTrackList()
{
    trackCount_ = CR_GetNumTocEntries();
    tracks_.Clear();
    for (int32_t i = 0; i < trackCount_; ++i) {
        const TCdRipTocEntry entry = UnpackTocEntry(CR_GetTocEntry(i));
        const TCdRipTocEntry next = UnpackTocEntry(CR_GetTocEntry(i + 1));
        TTrack track;
        track.Number = i + 1;
        track.StartSector = entry.StartSector;
        track.EndSector = next.StartSector - 1;
        track.Kind = entry.Flag == 0x10 ? QStringLiteral("Audio") : QStringLiteral("Data");
        tracks_.Add(TrackName(i + 1), track);
    }
}

void TCDRIP::WriteParam32(int offset, int32_t value) { std::memcpy(params_.data() + offset, &value, sizeof value); }

int32_t TCDRIP::ReadParam32(int offset) const
{
    int32_t value = 0;
    std::memcpy(&value, params_.data() + offset, sizeof value);
    return value;
}
