#pragma once
// Reading a file of ours that must be a regular file of bounded size (settings, drive lists, cue
// sheets). Opened without blocking, so that a FIFO without a writer cannot hold the open up, then
// checked with fstat before any read: a FIFO, a device (a link to /dev/zero) or a folder is never
// read. Links are followed: the settings writers keep a user's link, and fstat judges what it leads to.

#include <cerrno>
#include <cstddef>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace platform {

// The most a settings file may hold; far beyond what any real one needs.
inline constexpr size_t kSettingsFileLimit = 4 * 1024 * 1024;

enum class RegularFileRead {
    Ok,
    Missing,    // nothing of that name (open gave ENOENT)
    NotRegular, // a FIFO, a device, a folder or a socket
    TooLarge,   // more than the limit
    Error,      // errno says why
};

// Reads all of path into text. On anything but Ok, text is empty and errno is set: ENOENT for
// Missing, EISDIR or EINVAL for NotRegular, EFBIG for TooLarge.
inline RegularFileRead ReadRegularFile(const std::string &path, size_t limit, std::string &text)
{
    text.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0)
        return errno == ENOENT ? RegularFileRead::Missing : RegularFileRead::Error;
    struct Closer {
        int fd;
        ~Closer()
        {
            const int saved = errno;
            ::close(fd);
            errno = saved;
        }
    } closer{fd};
    struct stat info {};
    if (::fstat(fd, &info) != 0)
        return RegularFileRead::Error;
    if (!S_ISREG(info.st_mode)) {
        errno = S_ISDIR(info.st_mode) ? EISDIR : EINVAL;
        return RegularFileRead::NotRegular;
    }
    if (static_cast<unsigned long long>(info.st_size) > limit) {
        errno = EFBIG;
        return RegularFileRead::TooLarge;
    }
    // One byte past the limit tells a file that grew since fstat.
    char buffer[65536];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got < 0) {
            text.clear();
            return RegularFileRead::Error;
        }
        if (got == 0)
            return RegularFileRead::Ok;
        text.append(buffer, static_cast<size_t>(got));
        if (text.size() > limit) {
            text.clear();
            errno = EFBIG;
            return RegularFileRead::TooLarge;
        }
    }
}

} // namespace platform
