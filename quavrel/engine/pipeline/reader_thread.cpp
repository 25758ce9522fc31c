#include "quavrel/engine/pipeline/reader_thread.h"

#include <atomic>

#include <QCoreApplication>
#include <QThread>

struct ReaderThread::Job {
    std::function<void()> task;
    std::atomic<bool> done{false};
    std::mutex mutex;
    std::condition_variable finished;
};

ReaderThread::ReaderThread() : thread_([this] { Loop(); }) {}

ReaderThread::~ReaderThread()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_one();
    thread_.join();
}

void ReaderThread::Run(const std::function<void()> &Task)
{
    // Shared with the thread, which may still hold it for a moment after the caller returns.
    const auto job = std::make_shared<Job>();
    job->task = Task;
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(job);
    }
    wake_.notify_one();

    QCoreApplication *app = QCoreApplication::instance();
    if (app && QThread::currentThread() == app->thread()) {
        // The reader posts an empty call when it is done, so this waits for events, never spins.
        while (!job->done.load(std::memory_order_acquire))
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
        return;
    }
    std::unique_lock lock(job->mutex);
    job->finished.wait(lock, [&] { return job->done.load(std::memory_order_acquire); });
}

void ReaderThread::Post(std::function<void()> Task)
{
    const auto job = std::make_shared<Job>();
    job->task = std::move(Task);
    {
        std::lock_guard lock(mutex_);
        jobs_.push_back(job);
    }
    wake_.notify_one();
}

void ReaderThread::Loop()
{
    for (;;) {
        std::shared_ptr<Job> job;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !jobs_.empty(); });
            if (jobs_.empty())
                return;
            job = jobs_.front();
            jobs_.pop_front();
        }
        job->task();
        {
            std::lock_guard lock(job->mutex);
            job->done.store(true, std::memory_order_release);
        }
        job->finished.notify_one();
        // Wakes the waiting event loop.
        if (QCoreApplication *app = QCoreApplication::instance())
            QMetaObject::invokeMethod(
                app, [] {}, Qt::QueuedConnection);
    }
}
