#include "heap.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<uint64_t> allocation_count{0};

void* allocate(std::size_t size) {
  allocation_count.fetch_add(1, std::memory_order_relaxed);
  if (void* block = std::malloc(size != 0 ? size : 1)) return block;
  throw std::bad_alloc();
}

}  // namespace

void* operator new(std::size_t size) { return allocate(size); }
void* operator new[](std::size_t size) { return allocate(size); }
void operator delete(void* block) noexcept { std::free(block); }
void operator delete[](void* block) noexcept { std::free(block); }
void operator delete(void* block, std::size_t) noexcept { std::free(block); }
void operator delete[](void* block, std::size_t) noexcept { std::free(block); }

namespace bench {

uint64_t allocations() { return allocation_count.load(std::memory_order_relaxed); }

void cool_heap(benchmark::State& state) {
  state.PauseTiming();
  malloc_trim(0);
  state.ResumeTiming();
}

void sizes_warm_and_cold(benchmark::internal::Benchmark* b) {
  b->ArgNames({"size", "cold"});
  for (int64_t size : {0, 1, 2}) b->Args({size, 0});
  for (int64_t size : {1, 2}) b->Args({size, 1});
}

}  // namespace bench
