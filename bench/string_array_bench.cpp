// ClsStringArray against its reference-table workload: loading a table of a few thousand lines
// with LoadFromText, then asking Contains for strings that are and are not in it. The linear
// scan over the very same stored strings is the cost Contains avoids by asking its hash table;
// each benchmark runs at a tenth, once and ten times the size of the largest table (4200 lines)
// and fits a complexity curve to the three.

#include "base/cls_string_array.h"
#include "base/string_buffer.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kLargestTableLines = 4200;

std::string Line(int i) {
    return "*/place-" + std::to_string(i) + "/contact*";
}

std::string TableText(int lines) {
    std::string text;
    for (int i = 0; i < lines; ++i)
        text += Line(i) + "\r\n";
    return text;
}

// Probes visit the table in a scattered order so that a scan finds them, on average, half way.
std::vector<std::string> Probes(int lines, bool present) {
    std::vector<std::string> probes;
    const int count = 1024;
    for (int k = 0; k < count; ++k) {
        int i = static_cast<int>((static_cast<long long>(k) * 7919) % lines);
        probes.push_back(present ? Line(i) : Line(i + lines));
    }
    return probes;
}

bool LinearContains(const ClsStringArray& arr, const char* s) {
    for (int i = 0; i < arr.get_Count(); ++i) {
        if (arr.GetStringSb(i)->equals(s))
            return true;
    }
    return false;
}

void BM_LoadFromText(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    const std::string text = TableText(lines);
    for (auto _ : state) {
        ClsStringArray arr;
        arr.put_Unique(true);
        benchmark::DoNotOptimize(arr.LoadFromText(text.c_str()));
        if (arr.get_Count() != lines)
            state.SkipWithError("wrong line count");
    }
    state.SetItemsProcessed(state.iterations() * lines);
    state.SetComplexityN(lines);
}

template <bool Present, bool Hashed> void BM_Lookup(benchmark::State& state) {
    const int lines = static_cast<int>(state.range(0));
    ClsStringArray arr;
    arr.LoadFromText(TableText(lines).c_str());
    const std::vector<std::string> probes = Probes(lines, Present);
    size_t k = 0;
    for (auto _ : state) {
        const char* probe = probes[k].c_str();
        k = (k + 1) % probes.size();
        bool found = Hashed ? arr.Contains(probe) : LinearContains(arr, probe);
        if (found != Present)
            state.SkipWithError("wrong answer");
        benchmark::DoNotOptimize(found);
    }
    state.SetComplexityN(lines);
}

void Sizes(benchmark::internal::Benchmark* b) {
    b->Arg(kLargestTableLines / 10)->Arg(kLargestTableLines)->Arg(kLargestTableLines * 10);
}

// Lookups are fitted to a straight line in the table size so that the slopes compare directly:
// a scan pays for every stored string, Contains only for the strings sharing one of its 499
// buckets. Loading gets the best fitting curve.
void LookupSizes(benchmark::internal::Benchmark* b) {
    Sizes(b);
    b->Complexity(benchmark::oN);
}

BENCHMARK(BM_LoadFromText)->Apply(Sizes)->Complexity()->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Lookup<true, true>)->Name("BM_ContainsPresent")->Apply(LookupSizes);
BENCHMARK(BM_Lookup<false, true>)->Name("BM_ContainsAbsent")->Apply(LookupSizes);
BENCHMARK(BM_Lookup<true, false>)->Name("BM_LinearScanPresent")->Apply(LookupSizes);
BENCHMARK(BM_Lookup<false, false>)->Name("BM_LinearScanAbsent")->Apply(LookupSizes);

} // namespace
