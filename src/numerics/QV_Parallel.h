// QV_ParallelFor: runs a loop over [0, count) as contiguous chunks on a small
// pool of worker threads, so that independent work (detector windows, matrix
// rows) uses every core. Chunk boundaries depend only on the count and the
// worker count, and each chunk writes its own results, so results do not
// depend on how the threads are scheduled.
#pragma once

#include <functional>

// How many chunks a loop over count items should be split into: at most the
// worker count, and none smaller than minPerChunk items (1 for a small loop).
int QV_ChunkCount(int count, int minPerChunk);

// Calls body(begin, end, chunk) for `chunks` consecutive ranges covering
// [0, count), chunk numbering them from 0, and returns when all are done. The
// whole range runs on the calling thread as chunk 0 when chunks is 1, inside
// a chunk (no nesting), or while another thread's loop holds the pool; so a
// caller that keeps one context per chunk needs `chunks` of them.
void QV_ParallelFor(int count, int chunks, const std::function<void(int begin, int end, int chunk)>& body);

// The number of chunks a loop may be split into (at least 1): the hardware's
// thread count, at most 8, unless set.
int QV_WorkerCount();
// Sets the worker count (clamped to 1..8); 0 goes back to the hardware's.
// Meant for tests and benchmarks that compare one thread with several.
void QV_SetWorkerCount(int n);
