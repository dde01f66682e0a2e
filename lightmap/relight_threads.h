// The relight's threads: one process-wide pool of workers, made once at start-up, that split a run of
// work items with the thread that asks for it, so that no frame creates a thread. Each item is done by
// exactly one thread, with the asking thread's floating-point control word, so what an item computes
// does not depend on which thread took it or on how many there are. With one thread in all (the
// default before any start, and the fallback when a worker cannot be made) everything runs on the
// asking thread, in item order.
#pragma once

#include <cstdint>

// Does items [first, end) of the run; context is what the caller handed to RunOnRelightThreads.
using RelightWork = void (*)(void* context, uint32_t first, uint32_t end);

// The processors online now, at least 1.
unsigned OnlineCoreCount();

// Makes the pool thread_count threads strong in all, the asking thread counted, replacing the workers
// it had. False, leaving one thread in all, when thread_count is 0 or a worker cannot be started.
bool StartRelightThreads(unsigned thread_count);
// Ends and joins the workers; the pool is one thread strong afterwards.
void StopRelightThreads();
unsigned RelightThreadCount();

// Runs work over items [0, item_count) in pieces of up to grain items, on the asking thread and the
// workers, and returns when every piece is done. Only one thread may ask at a time (the relight runs
// on the window thread).
void RunOnRelightThreads(uint32_t item_count, uint32_t grain, RelightWork work, void* context);
