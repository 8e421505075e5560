// The worker pool's loop: chunks that cover the range once, in order, no
// nesting; and the matrix-vector product that uses it giving the same
// numbers on any number of workers.
#include <gtest/gtest.h>

#include <atomic>
#include <mutex>
#include <thread>
#include <vector>

#include "QV_MatrixOps.h"
#include "QV_Parallel.h"

namespace {

struct Chunk {
    int begin, end;
    std::thread::id thread;
};

// Runs one loop and returns its chunks by number.
std::vector<Chunk> RunLoop(int count, int chunks)
{
    std::vector<Chunk> seen(static_cast<size_t>(chunks), Chunk{-1, -1, {}});
    std::mutex m;
    QV_ParallelFor(count, chunks, [&](int begin, int end, int chunk) {
        std::lock_guard<std::mutex> lock(m);
        EXPECT_EQ(seen[static_cast<size_t>(chunk)].begin, -1) << "chunk " << chunk << " run twice";
        seen[static_cast<size_t>(chunk)] = {begin, end, std::this_thread::get_id()};
    });
    return seen;
}

class ParallelFor : public ::testing::Test {
protected:
    void TearDown() override { QV_SetWorkerCount(0); }
};

TEST_F(ParallelFor, ChunksCoverTheRangeOnceInOrder)
{
    QV_SetWorkerCount(4);
    for (int count : {4, 7, 1000, 1001}) {
        const std::vector<Chunk> seen = RunLoop(count, 4);
        int next = 0;
        for (const Chunk& c : seen) {
            EXPECT_EQ(c.begin, next) << count;
            EXPECT_GT(c.end, c.begin) << count;
            next = c.end;
        }
        EXPECT_EQ(next, count);
        // Even shares: no chunk more than one item longer than another.
        EXPECT_LE(seen.back().end - seen.back().begin - (seen.front().end - seen.front().begin), 1);
    }
    // Fewer items than chunks: one item each.
    std::atomic<int> calls{0};
    QV_ParallelFor(2, 4, [&](int begin, int end, int) {
        EXPECT_EQ(end - begin, 1);
        ++calls;
    });
    EXPECT_EQ(calls.load(), 2);
}

TEST_F(ParallelFor, OneChunkAndNestedLoopsRunOnTheCallingThread)
{
    QV_SetWorkerCount(4);
    const std::thread::id me = std::this_thread::get_id();
    const std::vector<Chunk> one = RunLoop(100, 1);
    EXPECT_EQ(one[0].begin, 0);
    EXPECT_EQ(one[0].end, 100);
    EXPECT_EQ(one[0].thread, me);

    std::atomic<int> nestedChunks{0}, nestedOnOwnThread{0};
    QV_ParallelFor(8, 4, [&](int, int, int) {
        const std::thread::id outer = std::this_thread::get_id();
        QV_ParallelFor(50, 4, [&](int begin, int end, int chunk) {
            ++nestedChunks;
            if (std::this_thread::get_id() == outer && begin == 0 && end == 50 && chunk == 0) ++nestedOnOwnThread;
        });
    });
    EXPECT_EQ(nestedChunks.load(), 4);
    EXPECT_EQ(nestedOnOwnThread.load(), 4);
}

TEST_F(ParallelFor, ChunkCountFollowsWorkersAndSize)
{
    QV_SetWorkerCount(3);
    EXPECT_EQ(QV_WorkerCount(), 3);
    EXPECT_EQ(QV_ChunkCount(1000, 10), 3);
    EXPECT_EQ(QV_ChunkCount(25, 10), 2);
    EXPECT_EQ(QV_ChunkCount(9, 10), 1);
    EXPECT_EQ(QV_ChunkCount(0, 10), 1);
    QV_SetWorkerCount(100);
    EXPECT_EQ(QV_WorkerCount(), 8);
    QV_SetWorkerCount(-2);
    EXPECT_GE(QV_WorkerCount(), 1);
    EXPECT_LE(QV_WorkerCount(), 8);
    QV_SetWorkerCount(1);
    EXPECT_EQ(QV_ChunkCount(1000, 1), 1);
}

TEST_F(ParallelFor, MatrixTimesVectorIsTheSameOnAnyNumberOfWorkers)
{
    // Large enough to be shared out: 1003 rows (not a multiple of four) of 300.
    const int rows = 1003, cols = 300;
    QV_Matrix a(rows, cols);
    QV_Array<float> v(cols);
    unsigned state = 12345u;
    auto next = [&] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<int>(state >> 8) % 2001 - 1000) / 997.0f;
    };
    for (int r = 0; r < rows; ++r)
        for (int c = 0; c < cols; ++c) a(r, c) = next();
    for (int c = 0; c < cols; ++c) v[c] = next();

    // Each row summed in column order in double precision.
    std::vector<float> expected(rows);
    for (int r = 0; r < rows; ++r) {
        double sum = 0.0;
        for (int c = 0; c < cols; ++c) sum += static_cast<double>(a(r, c)) * v[c];
        expected[static_cast<size_t>(r)] = static_cast<float>(sum);
    }
    for (int workers : {1, 2, 3, 8}) {
        QV_SetWorkerCount(workers);
        const QV_Array<float> got = QV_Multiply(a, v);
        ASSERT_EQ(got.Count(), rows);
        int differing = 0;
        for (int r = 0; r < rows; ++r) differing += got[r] != expected[static_cast<size_t>(r)];
        EXPECT_EQ(differing, 0) << workers << " workers";
    }
}

}  // namespace
