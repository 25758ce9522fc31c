#pragma once
// Threads that run tasks as they come, as many at once as there are threads: the encoders of the
// tracks a rip has read or is reading.

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
  public:
    explicit WorkerPool(int Threads);
    // Runs the tasks still queued, then ends the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    void Post(std::function<void()> Task);
    int Size() const { return static_cast<int>(threads_.size()); }

    // The machine's cores, for a pool that is to use them all.
    static int Cores();

  private:
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::function<void()>> tasks_;
    bool stopping_ = false;
    std::vector<std::thread> threads_;
};
