// Conversion throughput of the character-set engine beside glibc iconv doing the same conversion
// on the same input in the same run: Windows-1252 to UTF-8 and back, UTF-8 to UTF-16LE, and
// Shift-JIS (932) to UTF-8. The inputs are about 1 MB of text shaped like web pages: mostly
// ASCII with accented letters (or, for 932, mostly double-byte characters with ASCII markup).

#include "base/data_buffer.h"
#include "charset/encoding_convert.h"

#include <benchmark/benchmark.h>

#include <iconv.h>

#include <string>
#include <vector>

namespace {

constexpr size_t kInputSize = 1 << 20;

std::string latinText() {
    const std::string words[] = {"<p>caf\xE9 ",
                                 "cr\xE8me ",
                                 "br\xFBl\xE9"
                                 "e ",
                                 "the quick brown fox ",
                                 "jumps over ",
                                 "\xC4rger ",
                                 "\x80 12,50 ",
                                 "na\xEFve</p>\r\n"};
    std::string text;
    for (size_t i = 0; text.size() < kInputSize; ++i)
        text += words[(i * 7) % 9];
    return text;
}

std::string convertWithIconv(const char* to, const char* from, const std::string& input) {
    iconv_t cd = iconv_open(to, from);
    std::string out(input.size() * 4 + 16, '\0');
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    out.resize(out.size() - outLeft);
    return out;
}

// Shift-JIS text: hiragana, kanji and katakana pairs with ASCII markup between them.
std::string shiftJisText() {
    const std::string pieces[] = {"\x82\xA0\x82\xA2\x82\xA4",
                                  "\x93\xFA\x96\x7B\x8C\xEA",
                                  "<b>",
                                  "\x83\x4A\x83\x5E\x83\x4A\x83\x69",
                                  "</b> ",
                                  "\x88\xA4\x8F\x80\x95\xB6"};
    std::string text;
    for (size_t i = 0; text.size() < kInputSize; ++i)
        text += pieces[(i * 5) % 6];
    return text;
}

const std::string& input(int which) {
    static const std::string latin = latinText();
    static const std::string utf8 = convertWithIconv("UTF-8", "CP1252", latin);
    static const std::string sjis = shiftJisText();
    switch (which) {
    case 0:
        return latin;
    case 1:
        return utf8;
    default:
        return sjis;
    }
}

struct Conversion {
    unsigned from;
    unsigned to;
    const char* iconvFrom;
    const char* iconvTo;
    int input;
};

const Conversion kConversions[] = {
    {1252, 65001, "CP1252", "UTF-8", 0},
    {65001, 1252, "UTF-8", "CP1252", 1},
    {65001, 1200, "UTF-8", "UTF-16LE", 1},
    {932, 65001, "CP932", "UTF-8", 2},
};

void BM_Engine(benchmark::State& state) {
    const Conversion& c = kConversions[state.range(0)];
    const std::string& text = input(c.input);
    DataBuffer out;
    for (auto _ : state) {
        out.clear();
        EncodingConvert conv;
        bool ok = conv.Convert(c.from, c.to, reinterpret_cast<const unsigned char*>(text.data()),
                               static_cast<unsigned>(text.size()), out);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(out.getData());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.SetLabel(std::string(c.iconvFrom) + "->" + c.iconvTo);
}

void BM_Iconv(benchmark::State& state) {
    const Conversion& c = kConversions[state.range(0)];
    const std::string& text = input(c.input);
    std::vector<char> out(text.size() * 4 + 16);
    iconv_t cd = iconv_open(c.iconvTo, c.iconvFrom);
    for (auto _ : state) {
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        char* in = const_cast<char*>(text.data());
        size_t inLeft = text.size();
        char* outPtr = out.data();
        size_t outLeft = out.size();
        size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
        benchmark::DoNotOptimize(result);
        benchmark::DoNotOptimize(out.data());
    }
    iconv_close(cd);
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(text.size()));
    state.SetLabel(std::string(c.iconvFrom) + "->" + c.iconvTo);
}

BENCHMARK(BM_Engine)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Iconv)->DenseRange(0, 3)->Unit(benchmark::kMicrosecond);

} // namespace
