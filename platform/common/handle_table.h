#pragma once
// Maps the interface's 32-bit stream handles to the streams the library owns.

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>

namespace platform {

template <typename Stream> class HandleTable {
  public:
    // The new stream's handle, never 0.
    int32_t Add(std::unique_ptr<Stream> stream)
    {
        std::lock_guard lock(mutex_);
        while (streams_.count(next_))
            Advance();
        const int32_t handle = next_;
        Advance();
        streams_.emplace(handle, std::move(stream));
        return handle;
    }

    // The stream, or nullptr for an unknown handle. Valid until Remove(handle).
    Stream *Find(int32_t handle)
    {
        std::lock_guard lock(mutex_);
        const auto it = streams_.find(handle);
        return it == streams_.end() ? nullptr : it->second.get();
    }

    bool Remove(int32_t handle)
    {
        std::unique_ptr<Stream> released;
        std::lock_guard lock(mutex_);
        const auto it = streams_.find(handle);
        if (it == streams_.end())
            return false;
        released = std::move(it->second);
        streams_.erase(it);
        return true;
    }

  private:
    void Advance() { next_ = next_ == INT32_MAX ? 1 : next_ + 1; }

    std::mutex mutex_;
    std::map<int32_t, std::unique_ptr<Stream>> streams_;
    int32_t next_ = 1;
};

} // namespace platform
