#include "quavrel/engine/pipeline/worker_pool.h"

#include <algorithm>

WorkerPool::WorkerPool(int Threads)
{
    for (int n = 0; n < std::max(Threads, 1); ++n)
        threads_.emplace_back([this] { Loop(); });
}

WorkerPool::~WorkerPool()
{
    {
        std::lock_guard lock(mutex_);
        stopping_ = true;
    }
    wake_.notify_all();
    for (std::thread &thread : threads_)
        thread.join();
}

void WorkerPool::Post(std::function<void()> Task)
{
    {
        std::lock_guard lock(mutex_);
        tasks_.push_back(std::move(Task));
    }
    wake_.notify_one();
}

int WorkerPool::Cores()
{
    return static_cast<int>(std::max(std::thread::hardware_concurrency(), 1u));
}

void WorkerPool::Loop()
{
    for (;;) {
        std::function<void()> task;
        {
            std::unique_lock lock(mutex_);
            wake_.wait(lock, [this] { return stopping_ || !tasks_.empty(); });
            if (tasks_.empty())
                return;
            task = std::move(tasks_.front());
            tasks_.pop_front();
        }
        task();
    }
}
