// Building a large content by many small appends, as a body read a few bytes at a time or a
// converted text written piece by piece: DataBuffer in 2-byte pieces, StringBuffer in 2-byte
// pieces, at 1, 8 and 40 MB, with a complexity curve fitted to the three. Growth that adds a
// fixed reserve copies the content once per reserve and shows as quadratic.
#include "base/data_buffer.h"
#include "base/string_buffer.h"

#include <benchmark/benchmark.h>

namespace {

void DataBufferTwoByteAppends(benchmark::State& state) {
    const auto total = static_cast<uint32_t>(state.range(0));
    const unsigned char piece[2] = {'a', 'b'};
    for (auto _ : state) {
        DataBuffer db;
        for (uint32_t size = 0; size < total; size += 2)
            db.append(piece, 2);
        benchmark::DoNotOptimize(db.getData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
}

void StringBufferTwoByteAppends(benchmark::State& state) {
    const auto total = static_cast<int>(state.range(0));
    for (auto _ : state) {
        StringBuffer sb;
        for (int size = 0; size < total; size += 2)
            sb.appendN("ab", 2);
        benchmark::DoNotOptimize(sb.getString());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * state.range(0));
    state.SetComplexityN(state.range(0));
}

} // namespace

BENCHMARK(DataBufferTwoByteAppends)
    ->Arg(1 << 20)
    ->Arg(8 << 20)
    ->Arg(40 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
BENCHMARK(StringBufferTwoByteAppends)
    ->Arg(1 << 20)
    ->Arg(8 << 20)
    ->Arg(40 << 20)
    ->Unit(benchmark::kMillisecond)
    ->Complexity();
