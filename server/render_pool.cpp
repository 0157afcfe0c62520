#include "server/render_pool.h"

#include <algorithm>
#include <exception>

namespace tessaline_server {

struct CRenderPool::Job {
    const std::function<void(tessaline::CRenderer&)>* work;
    std::exception_ptr error;
    bool done = false;
    std::condition_variable finished;
};

CRenderPool::CRenderPool(size_t threads)
{
    for (size_t i = 0; i < std::max<size_t>(threads, 1); ++i) m_threads.emplace_back([this] { Work(); });
}

CRenderPool::~CRenderPool()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_ready.notify_all();
    for (std::thread& t : m_threads) t.join();
}

void CRenderPool::Run(const std::function<void(tessaline::CRenderer&)>& work)
{
    // The job lives on the caller's stack: the caller waits until a worker
    // has marked it done.
    Job job{&work, nullptr, false, {}};
    std::unique_lock lock(m_mutex);
    m_jobs.push_back(&job);
    m_ready.notify_one();
    job.finished.wait(lock, [&] { return job.done; });
    if (job.error) std::rethrow_exception(job.error);
}

void CRenderPool::Work()
{
    // The control behind a renderer belongs to one thread.
    thread_local tessaline::CRenderer renderer;
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_ready.wait(lock, [&] { return m_stopping || !m_jobs.empty(); });
        if (m_jobs.empty()) return; // stopping, nothing left
        Job* job = m_jobs.front();
        m_jobs.pop_front();
        lock.unlock();
        try {
            (*job->work)(renderer);
        } catch (...) {
            job->error = std::current_exception();
        }
        lock.lock();
        job->done = true;
        job->finished.notify_one();
    }
}

} // namespace tessaline_server
