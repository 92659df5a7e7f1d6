// Conversion throughput of the character-set engine beside glibc iconv doing the same conversion
// on the same input in the same run: Windows-1252 to UTF-8 and back, UTF-8 to UTF-16LE, and
// Shift-JIS (932) to UTF-8. The inputs are about 1 MB of text shaped like web pages: mostly
// ASCII with accented letters (or, for 932, mostly double-byte characters with ASCII markup).
// Beside them, the cost of finding a page's encoding (and of decoding it) on the saved pages
// of the shared corpus, next to iconv converting the same pages.

#include "base/data_buffer.h"
#include "charset/encoding_convert.h"
#include "charset/encoding_finder.h"

#include <benchmark/benchmark.h>

#include <dirent.h>
#include <iconv.h>

#include <fstream>
#include <sstream>
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
        text += words[(i * 7) % std::size(words)];
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

// The corpus pages, as they were saved; with the windows-1252 text above as a page that declares
// nothing and is not UTF-8, so the detector runs.
const std::vector<std::string>& pages() {
    static const std::vector<std::string> loaded = [] {
        std::vector<std::string> all;
        if (DIR* dir = opendir(CORPUS_PAGES_DIR)) {
            while (dirent* e = readdir(dir)) {
                std::string name = e->d_name;
                if (name.size() > 5 && name.compare(name.size() - 5, 5, ".html") == 0) {
                    std::ifstream in(std::string(CORPUS_PAGES_DIR) + "/" + name, std::ios::binary);
                    std::ostringstream bytes;
                    bytes << in.rdbuf();
                    all.push_back(bytes.str());
                }
            }
            closedir(dir);
        }
        all.push_back(latinText().substr(0, 60000));
        return all;
    }();
    return loaded;
}

int64_t pageBytes() {
    int64_t n = 0;
    for (const std::string& page : pages())
        n += static_cast<int64_t>(page.size());
    return n;
}

const unsigned char* bytesOf(const std::string& s) {
    return reinterpret_cast<const unsigned char*>(s.data());
}

void BM_FindEncodingPerPage(benchmark::State& state) {
    PageEncoding found;
    for (auto _ : state) {
        for (const std::string& page : pages()) {
            EncodingFinder::find(bytesOf(page), page.size(), nullptr, found);
            benchmark::DoNotOptimize(found.codePage);
        }
    }
    state.SetBytesProcessed(state.iterations() * pageBytes());
    state.counters["per_page_us"] = benchmark::Counter(
        static_cast<double>(state.iterations() * static_cast<int64_t>(pages().size())),
        benchmark::Counter::kIsRate | benchmark::Counter::kInvert, benchmark::Counter::OneK::kIs1000);
    state.SetLabel(std::to_string(pages().size()) + " pages");
}

void BM_FindAndDecodePerPage(benchmark::State& state) {
    PageEncoding found;
    StringBuffer text;
    for (auto _ : state) {
        for (const std::string& page : pages()) {
            EncodingFinder::find(bytesOf(page), page.size(), nullptr, found);
            EncodingFinder::decode(bytesOf(page), page.size(), found.codePage, text);
            benchmark::DoNotOptimize(text.getString());
        }
    }
    state.SetBytesProcessed(state.iterations() * pageBytes());
    state.SetLabel(std::to_string(pages().size()) + " pages");
}

// iconv converting the same pages from windows-1252 to UTF-8: what decoding alone costs there.
void BM_IconvPerPage(benchmark::State& state) {
    std::vector<char> out;
    iconv_t cd = iconv_open("UTF-8", "CP1252");
    for (auto _ : state) {
        for (const std::string& page : pages()) {
            out.resize(page.size() * 4 + 16);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            char* in = const_cast<char*>(page.data());
            size_t inLeft = page.size();
            char* outPtr = out.data();
            size_t outLeft = out.size();
            size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
            benchmark::DoNotOptimize(result);
        }
    }
    iconv_close(cd);
    state.SetBytesProcessed(state.iterations() * pageBytes());
    state.SetLabel(std::to_string(pages().size()) + " pages");
}

BENCHMARK(BM_FindEncodingPerPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_FindAndDecodePerPage)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_IconvPerPage)->Unit(benchmark::kMicrosecond);

} // namespace
