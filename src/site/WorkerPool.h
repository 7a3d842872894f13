#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

// A fixed set of threads that run jobs in the order they came, with a bound on the jobs
// waiting. Each thread keeps what is per thread (a database connection) for its whole life.
class WorkerPool final {
public:
    WorkerPool(int threads, size_t maximumWaiting);
    // Runs every job still waiting, then ends the threads.
    ~WorkerPool();
    WorkerPool(const WorkerPool &) = delete;
    WorkerPool &operator=(const WorkerPool &) = delete;

    // False, and `job` not taken, when too many jobs wait already.
    bool post(std::function<void()> job);

private:
    void work();

    std::mutex m_lock;
    std::condition_variable m_wake;
    std::deque<std::function<void()>> m_jobs;
    size_t m_maximumWaiting;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};
