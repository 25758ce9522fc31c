#pragma once
// Owns one socket descriptor.

#include <unistd.h>
#include <utility>

namespace ostrelle {

class TSocketHandle {
  public:
    TSocketHandle() = default;
    explicit TSocketHandle(int fd) : fd_(fd) {}
    ~TSocketHandle() { Close(); }
    TSocketHandle(TSocketHandle &&other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
    TSocketHandle &operator=(TSocketHandle &&other) noexcept
    {
        if (this != &other) {
            Close();
            fd_ = std::exchange(other.fd_, -1);
        }
        return *this;
    }
    TSocketHandle(const TSocketHandle &) = delete;
    TSocketHandle &operator=(const TSocketHandle &) = delete;

    int Get() const { return fd_; }
    bool IsOpen() const { return fd_ >= 0; }
    void Close()
    {
        if (fd_ >= 0)
            ::close(std::exchange(fd_, -1));
    }

  private:
    int fd_ = -1;
};

} // namespace ostrelle
