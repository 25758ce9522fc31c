#pragma once
// The thread a rip reads and encodes on, so that a slow or damaged disc never stops the event
// loop: the caller hands it one task at a time and keeps processing its events until the task is
// done (as Ostrelle's HTTP wait does). Tasks run in the order they are given.

#include <condition_variable>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

class ReaderThread {
  public:
    ReaderThread();
    // Waits for the task in flight, then ends the thread.
    ~ReaderThread();
    ReaderThread(const ReaderThread &) = delete;
    ReaderThread &operator=(const ReaderThread &) = delete;

    // Runs Task on the thread and returns once it is done. On the application's thread the
    // application's events are processed meanwhile (a handler may run another task; it is queued).
    void Run(const std::function<void()> &Task);
    // Queues Task and returns at once.
    void Post(std::function<void()> Task);

  private:
    struct Job;
    void Loop();

    std::mutex mutex_;
    std::condition_variable wake_;
    std::deque<std::shared_ptr<Job>> jobs_;
    bool stopping_ = false;
    std::thread thread_;
};
