#pragma once
// A track's PCM between the reader, which appends it as the drive gives it, and the encoder, which
// takes it in order as it comes. It is kept in a file of the output folder that has no name, so
// that memory stays flat however far the reader runs ahead of a slow encoder, and nothing is left
// behind whatever ends the program.

#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <mutex>

#include <QString>

class PcmSpool {
  public:
    PcmSpool() = default;
    ~PcmSpool();
    PcmSpool(const PcmSpool &) = delete;
    PcmSpool &operator=(const PcmSpool &) = delete;

    // In Folder. False with the system's reason.
    bool Open(const QString &Folder, QString &Error);

    // The writer's side. False with the reason when the disk refuses.
    bool Append(const uint8_t *Pcm, size_t Bytes, QString &Error);
    // Replaces bytes already appended (and not yet read) with Pcm, at Offset.
    bool Patch(int64_t Offset, const uint8_t *Pcm, size_t Bytes, QString &Error);
    // All of the track is in.
    void End();
    // The track will not be complete: the reader gets nothing more.
    void Abandon();

    // The reader's side: waits for bytes, then copies up to Bytes of them into Buffer. The count
    // read, 0 once everything was read after End, -1 after Abandon or a read error.
    int64_t Read(uint8_t *Buffer, size_t Bytes);
    // The writer's look back: up to Bytes of what was appended, from Offset, without taking them.
    // The count read (0 past the end), -1 on a read error.
    int64_t ReadAt(int64_t Offset, uint8_t *Buffer, size_t Bytes) const;

    int64_t Appended() const;
    int64_t Taken() const;

  private:
    static bool ReadWhole(int Fd, int64_t Offset, uint8_t *Buffer, size_t Bytes);

    int fd_ = -1;
    mutable std::mutex mutex_;
    std::condition_variable grown_;
    int64_t appended_ = 0;
    int64_t taken_ = 0;
    bool ended_ = false;
    bool abandoned_ = false;
};
