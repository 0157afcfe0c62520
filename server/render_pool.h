// The threads that draw: one a processor core, each with a renderer of its
// own. Connection threads hand their symbol work over and wait for it, so
// that however many connections are open, no more symbols are drawn at once
// than there are cores, in the order they were asked for.
#pragma once

#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include <tessaline/tessaline.hpp>

namespace tessaline_server {

class CRenderPool {
public:
    explicit CRenderPool(size_t threads);
    // Finishes the work handed over already, then ends the threads.
    ~CRenderPool();
    CRenderPool(const CRenderPool&) = delete;
    CRenderPool& operator=(const CRenderPool&) = delete;

    // Runs `job` with a worker's renderer and waits for it; an exception of
    // the job is thrown here.
    void Run(const std::function<void(tessaline::CRenderer&)>& job);

    size_t Size() const { return m_threads.size(); }

private:
    struct Job;
    void Work();

    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::deque<Job*> m_jobs;
    bool m_stopping = false;
    std::vector<std::thread> m_threads;
};

} // namespace tessaline_server
