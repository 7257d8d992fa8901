// VolSysSimpleHashTable against std::unordered_set<void*> with the same items: insertion into an
// empty set (growth included), lookup of every item in random order, removal of every item.
#include "threads/VolSysSimpleHashTable.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <random>
#include <unordered_set>
#include <vector>

namespace {

struct Workload {
    explicit Workload(std::size_t n) : storage(n), order(n) {
        for (std::size_t i = 0; i < n; ++i) order[i] = &storage[i];
        std::shuffle(order.begin(), order.end(), std::mt19937(42));
    }
    std::vector<int> storage;  // the items are the addresses of these
    std::vector<void*> order;  // every item once, shuffled
};

const Workload& WorkloadOf(std::size_t n) {
    static std::vector<std::pair<std::size_t, Workload*>> made;
    for (auto& [size, workload] : made) {
        if (size == n) return *workload;
    }
    made.emplace_back(n, new Workload(n));
    return *made.back().second;
}

// Counts the bytes a standard container asks for, to compare memory use.
std::size_t g_allocatedBytes = 0;

template <typename T>
struct CountingAllocator {
    using value_type = T;
    CountingAllocator() = default;
    template <typename U>
    CountingAllocator(const CountingAllocator<U>&) {}
    T* allocate(std::size_t n) {
        g_allocatedBytes += n * sizeof(T);
        return std::allocator<T>().allocate(n);
    }
    void deallocate(T* p, std::size_t n) {
        g_allocatedBytes -= n * sizeof(T);
        std::allocator<T>().deallocate(p, n);
    }
    template <typename U>
    bool operator==(const CountingAllocator<U>&) const {
        return true;
    }
    template <typename U>
    bool operator!=(const CountingAllocator<U>&) const {
        return false;
    }
};

using CountedSet = std::unordered_set<void*, std::hash<void*>, std::equal_to<void*>, CountingAllocator<void*>>;

void ReportItems(benchmark::State& state) {
    state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
}

void BM_VolHash_Insert(benchmark::State& state) {
    const Workload& work = WorkloadOf(static_cast<std::size_t>(state.range(0)));
    double bytes = 0;
    for (auto _ : state) {
        VolSysSimpleHashTable table;
        for (void* item : work.order) benchmark::DoNotOptimize(table.Insert(item));
        benchmark::ClobberMemory();
        // One block: a chain head and a node per chain (allocator overhead not counted).
        bytes = static_cast<double>(table.ChainCount()) * (sizeof(void*) + sizeof(VolSysSimpleHashTable::Node));
    }
    ReportItems(state);
    state.counters["bytes_per_item"] = bytes / static_cast<double>(state.range(0));
}

void BM_StdSet_Insert(benchmark::State& state) {
    const Workload& work = WorkloadOf(static_cast<std::size_t>(state.range(0)));
    double bytes = 0;
    for (auto _ : state) {
        CountedSet set;
        const std::size_t before = g_allocatedBytes;
        for (void* item : work.order) benchmark::DoNotOptimize(set.insert(item));
        benchmark::ClobberMemory();
        // Buckets and one node per item (allocator overhead not counted).
        bytes = static_cast<double>(g_allocatedBytes - before);
    }
    ReportItems(state);
    state.counters["bytes_per_item"] = bytes / static_cast<double>(state.range(0));
}

void BM_VolHash_Locate(benchmark::State& state) {
    const Workload& work = WorkloadOf(static_cast<std::size_t>(state.range(0)));
    VolSysSimpleHashTable table;
    for (void* item : work.order) table.Insert(item);
    std::vector<void*> probes = work.order;
    std::shuffle(probes.begin(), probes.end(), std::mt19937(7));
    for (auto _ : state) {
        for (void* item : probes) benchmark::DoNotOptimize(table.Locate(item));
    }
    ReportItems(state);
}

void BM_StdSet_Locate(benchmark::State& state) {
    const Workload& work = WorkloadOf(static_cast<std::size_t>(state.range(0)));
    std::unordered_set<void*> set(work.order.begin(), work.order.end());
    std::vector<void*> probes = work.order;
    std::shuffle(probes.begin(), probes.end(), std::mt19937(7));
    for (auto _ : state) {
        for (void* item : probes) benchmark::DoNotOptimize(set.find(item));
    }
    ReportItems(state);
}

void BM_VolHash_Remove(benchmark::State& state) {
    const Workload& work = WorkloadOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto* table = new VolSysSimpleHashTable;
        for (void* item : work.order) table->Insert(item);
        state.ResumeTiming();
        for (void* item : work.order) benchmark::DoNotOptimize(table->Remove(item));
        state.PauseTiming();
        delete table;
        state.ResumeTiming();
    }
    ReportItems(state);
}

void BM_StdSet_Remove(benchmark::State& state) {
    const Workload& work = WorkloadOf(static_cast<std::size_t>(state.range(0)));
    for (auto _ : state) {
        state.PauseTiming();
        auto* set = new std::unordered_set<void*>(work.order.begin(), work.order.end());
        state.ResumeTiming();
        for (void* item : work.order) benchmark::DoNotOptimize(set->erase(item));
        state.PauseTiming();
        delete set;
        state.ResumeTiming();
    }
    ReportItems(state);
}

#define VOL_HASH_SIZES ->Arg(1 << 10)->Arg(100000)->Arg(1000000)->Unit(benchmark::kMicrosecond)

BENCHMARK(BM_VolHash_Insert) VOL_HASH_SIZES;
BENCHMARK(BM_StdSet_Insert) VOL_HASH_SIZES;
BENCHMARK(BM_VolHash_Locate) VOL_HASH_SIZES;
BENCHMARK(BM_StdSet_Locate) VOL_HASH_SIZES;
BENCHMARK(BM_VolHash_Remove) VOL_HASH_SIZES;
BENCHMARK(BM_StdSet_Remove) VOL_HASH_SIZES;

}  // namespace
