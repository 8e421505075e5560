// A lazily started pool of worker threads that share out the chunks of one
// loop at a time.
#include "QV_Parallel.h"

#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <thread>
#include <vector>

namespace {

constexpr int kMaxWorkers = 8;

std::atomic<int> requestedWorkers{0};
thread_local bool insideChunk = false;

int HardwareWorkers()
{
    const unsigned n = std::thread::hardware_concurrency();
    return n == 0 ? 1 : std::min(static_cast<int>(n), kMaxWorkers);
}

// Threads wait for a loop, take its chunks one by one, and report when the
// last one is done. The calling thread takes chunks too.
class Pool {
public:
    static Pool& Instance()
    {
        // Never destroyed: the threads wait on it until the process ends.
        static Pool* pool = new Pool;
        return *pool;
    }

    std::mutex& Busy() { return busy; }

    // Runs the chunks of one loop; the caller holds Busy().
    void Run(int count, int chunks, const std::function<void(int, int, int)>& body)
    {
        StartThreads(chunks - 1);
        {
            std::lock_guard<std::mutex> lock(m);
            job = &body;
            jobCount = count;
            jobChunks = chunks;
            nextChunk = 0;
            remaining = chunks;
            ++generation;
        }
        wake.notify_all();
        TakeChunks();
        std::unique_lock<std::mutex> lock(m);
        done.wait(lock, [this] { return remaining == 0; });
        job = nullptr;
    }

private:
    void StartThreads(int wanted)
    {
        while (static_cast<int>(threads.size()) < wanted) {
            threads.emplace_back([this] { Work(); });
            threads.back().detach();
        }
    }

    void Work()
    {
        insideChunk = true;
        long seen = 0;
        for (;;) {
            {
                std::unique_lock<std::mutex> lock(m);
                wake.wait(lock, [&] { return generation != seen; });
                seen = generation;
            }
            TakeChunks();
        }
    }

    // Takes chunks of the current loop until none is left.
    void TakeChunks()
    {
        const bool wasInside = insideChunk;
        insideChunk = true;
        for (;;) {
            int c, count, chunks;
            const std::function<void(int, int, int)>* body;
            {
                std::lock_guard<std::mutex> lock(m);
                if (!job || nextChunk >= jobChunks) break;
                c = nextChunk++;
                count = jobCount;
                chunks = jobChunks;
                body = job;
            }
            const int begin = static_cast<int>(static_cast<long long>(count) * c / chunks);
            const int end = static_cast<int>(static_cast<long long>(count) * (c + 1) / chunks);
            (*body)(begin, end, c);
            std::lock_guard<std::mutex> lock(m);
            if (--remaining == 0) done.notify_all();
        }
        insideChunk = wasInside;
    }

    std::mutex busy;
    std::mutex m;
    std::condition_variable wake, done;
    std::vector<std::thread> threads;
    const std::function<void(int, int, int)>* job = nullptr;
    int jobCount = 0, jobChunks = 0, nextChunk = 0, remaining = 0;
    long generation = 0;
};

}  // namespace

int QV_WorkerCount()
{
    const int n = requestedWorkers.load();
    return n > 0 ? n : HardwareWorkers();
}

void QV_SetWorkerCount(int n)
{
    requestedWorkers.store(n <= 0 ? 0 : std::min(n, kMaxWorkers));
}

int QV_ChunkCount(int count, int minPerChunk)
{
    const int bySize = count / std::max(minPerChunk, 1);
    return std::min(QV_WorkerCount(), std::max(bySize, 1));
}

void QV_ParallelFor(int count, int chunks, const std::function<void(int begin, int end, int chunk)>& body)
{
    if (count <= 0) return;
    chunks = std::min({chunks, count, kMaxWorkers});
    if (chunks <= 1 || insideChunk) {
        body(0, count, 0);
        return;
    }
    Pool& pool = Pool::Instance();
    std::unique_lock<std::mutex> busy(pool.Busy(), std::try_to_lock);
    if (!busy.owns_lock()) {
        body(0, count, 0);
        return;
    }
    pool.Run(count, chunks, body);
}
