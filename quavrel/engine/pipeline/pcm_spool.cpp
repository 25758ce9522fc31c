#include "quavrel/engine/pipeline/pcm_spool.h"

#include "quavrel/engine/pipeline/rip_error.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

#include <QFile>

PcmSpool::~PcmSpool()
{
    if (fd_ >= 0)
        ::close(fd_);
}

bool PcmSpool::Open(const QString &Folder, QString &Error)
{
    const QByteArray folder = QFile::encodeName(Folder);
    fd_ = ::open(folder.constData(), O_RDWR | O_TMPFILE | O_CLOEXEC, 0600);
    if (fd_ < 0 && (errno == EOPNOTSUPP || errno == EISDIR || errno == EINVAL)) {
        // A file system without nameless files: a named one, unlinked at once.
        QByteArray pattern = folder + "/.quavrel-pcm-XXXXXX";
        fd_ = ::mkostemp(pattern.data(), O_CLOEXEC);
        if (fd_ >= 0)
            ::unlink(pattern.constData());
    }
    if (fd_ < 0) {
        Error = SystemErrorText(errno);
        return false;
    }
    return true;
}

namespace {

bool WriteAt(int fd, int64_t at, const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    for (size_t done = 0; done < Bytes;) {
        const ssize_t wrote = ::pwrite(fd, Pcm + done, Bytes - done, at);
        if (wrote < 0 && errno == EINTR)
            continue;
        if (wrote <= 0) {
            Error = SystemErrorText(wrote < 0 ? errno : ENOSPC);
            return false;
        }
        done += static_cast<size_t>(wrote);
        at += wrote;
    }
    return true;
}

} // namespace

bool PcmSpool::Patch(int64_t Offset, const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    return WriteAt(fd_, Offset, Pcm, Bytes, Error);
}

bool PcmSpool::ReadWhole(int Fd, int64_t Offset, uint8_t *Buffer, size_t Bytes)
{
    for (size_t done = 0; done < Bytes;) {
        const ssize_t read = ::pread(Fd, Buffer + done, Bytes - done, Offset + static_cast<int64_t>(done));
        if (read < 0 && errno == EINTR)
            continue;
        if (read <= 0)
            return false;
        done += static_cast<size_t>(read);
    }
    return true;
}

bool PcmSpool::Append(const uint8_t *Pcm, size_t Bytes, QString &Error)
{
    const int64_t start = Appended();
    if (!WriteAt(fd_, start, Pcm, Bytes, Error))
        return false;
    const int64_t at = start + static_cast<int64_t>(Bytes);
    {
        std::lock_guard lock(mutex_);
        appended_ = at;
    }
    grown_.notify_all();
    return true;
}

void PcmSpool::End()
{
    {
        std::lock_guard lock(mutex_);
        ended_ = true;
    }
    grown_.notify_all();
}

void PcmSpool::Abandon()
{
    {
        std::lock_guard lock(mutex_);
        abandoned_ = true;
    }
    grown_.notify_all();
}

int64_t PcmSpool::Read(uint8_t *Buffer, size_t Bytes)
{
    int64_t from = 0;
    int64_t available = 0;
    {
        std::unique_lock lock(mutex_);
        grown_.wait(lock, [this] { return abandoned_ || ended_ || appended_ > taken_; });
        if (abandoned_)
            return -1;
        from = taken_;
        available = appended_ - taken_;
    }
    if (available == 0)
        return 0;
    const size_t wanted = static_cast<size_t>(std::min<int64_t>(available, static_cast<int64_t>(Bytes)));
    if (!ReadWhole(fd_, from, Buffer, wanted))
        return -1;
    std::lock_guard lock(mutex_);
    taken_ += static_cast<int64_t>(wanted);
    return static_cast<int64_t>(wanted);
}

int64_t PcmSpool::ReadAt(int64_t Offset, uint8_t *Buffer, size_t Bytes) const
{
    const int64_t available = std::max<int64_t>(Appended() - Offset, 0);
    const size_t wanted = static_cast<size_t>(std::min<int64_t>(available, static_cast<int64_t>(Bytes)));
    return ReadWhole(fd_, Offset, Buffer, wanted) ? static_cast<int64_t>(wanted) : -1;
}

int64_t PcmSpool::Appended() const
{
    std::lock_guard lock(mutex_);
    return appended_;
}

int64_t PcmSpool::Taken() const
{
    std::lock_guard lock(mutex_);
    return taken_;
}
