// What the parse benchmarks need of the heap: a count of the allocations
// made through operator new (the program's operator new counts them once
// heap.cpp is linked in), and runs that start each iteration on a heap whose
// free memory went back to the system, as a process finds it after a quiet
// spell or a trim: every page it touches again is a fresh page fault.
#pragma once

#include <benchmark/benchmark.h>

#include <cstdint>

namespace bench {

// Allocations made through operator new since the program started.
uint64_t allocations();

// Gives the heap's free memory back to the system, untimed.
void cool_heap(benchmark::State& state);

// Runs `op` once per iteration, cooling the heap first when `cold`; sets
// the counter "allocs" to the allocations per iteration.
template <typename Op>
void run_iterations(benchmark::State& state, bool cold, Op op) {
  const uint64_t before = allocations();
  for (auto _ : state) {
    if (cold) cool_heap(state);
    op();
  }
  state.counters["allocs"] = benchmark::Counter(static_cast<double>(allocations() - before),
                                                benchmark::Counter::kAvgIterations);
}

// The arguments {size, cold} of the message benchmarks: sizes 0 (a short
// tell), 1 (2 KB) and 2 (64 KB) with a warm heap, the two larger also cold.
void sizes_warm_and_cold(benchmark::internal::Benchmark* b);

}  // namespace bench
