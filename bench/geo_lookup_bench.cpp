// lookupGeo on the corpus pages: the plain scan of the 2100 keys in table order beside the
// multi-pattern matcher, on the normalised visible text of every page as the geo step sees it.
// Pages are split by outcome, since the scan stops at its first hit: a page where no key occurs
// costs it 2100 full searches, the case the matcher is for.
#include "analysis/geo_key_matcher.h"
#include "analysis/geo_location.h"
#include "analysis/site_analyzer.h"
#include "app/analyzer_priming.h"
#include "base/string_buffer.h"
#include "base/x_string.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

struct Corpus {
    SiteAnalyzer analyzer;
    std::vector<std::string> noMatch;
    std::vector<std::string> match;
};

std::string geoText(const std::string& html) {
    XString page;
    page.setFromUtf8(html.c_str());
    ClsHtmlToXml converter;
    converter.put_Html(page);
    XString xml;
    StringBuffer text;
    ClsXml tree;
    if (converter.ToXml(xml) && tree.LoadXml(xml.getUtf8()))
        tree.AccumulateTagContent("text", text, "script|style");
    normaliseGeoText(text);
    return text.getString();
}

Corpus& corpus() {
    static Corpus* c = [] {
        auto* loaded = new Corpus;
        if (!primeAnalyzer(loaded->analyzer))
            std::fprintf(stderr, "Failed to decode every reference table\n");
        prepareGeoLookup(loaded->analyzer);
        std::vector<std::filesystem::path> paths;
        std::error_code error;
        for (const auto& entry : std::filesystem::directory_iterator(GEO_CORPUS_DIR "/pages", error))
            paths.push_back(entry.path());
        std::sort(paths.begin(), paths.end());
        for (const auto& path : paths) {
            std::ifstream in(path, std::ios::binary);
            std::string text = geoText(std::string(std::istreambuf_iterator<char>(in), {}));
            bool found = scanGeoKeysInOrder(loaded->analyzer.geoTable, text.c_str()) >= 0;
            (found ? loaded->match : loaded->noMatch).push_back(std::move(text));
        }
        std::printf("corpus: %zu pages without a match, %zu with one\n", loaded->noMatch.size(),
                    loaded->match.size());
        return loaded;
    }();
    return *c;
}

const std::vector<std::string>& pages(bool withMatch) {
    return withMatch ? corpus().match : corpus().noMatch;
}

void report(benchmark::State& state, const std::vector<std::string>& texts) {
    int64_t bytes = 0;
    for (const std::string& t : texts)
        bytes += static_cast<int64_t>(t.size());
    state.SetBytesProcessed(bytes * static_cast<int64_t>(state.iterations()));
    state.counters["pages"] = static_cast<double>(texts.size());
}

void BM_LinearScan(benchmark::State& state) {
    const std::vector<std::string>& texts = pages(state.range(0) != 0);
    const ClsStringArray& table = corpus().analyzer.geoTable;
    for (auto _ : state) {
        for (const std::string& t : texts)
            benchmark::DoNotOptimize(scanGeoKeysInOrder(table, t.c_str()));
    }
    report(state, texts);
}

void BM_Matcher(benchmark::State& state) {
    const std::vector<std::string>& texts = pages(state.range(0) != 0);
    const GeoKeyMatcher& matcher = *corpus().analyzer.geoKeyMatcher;
    for (auto _ : state) {
        for (const std::string& t : texts)
            benchmark::DoNotOptimize(matcher.firstMatchingPair(t.c_str()));
    }
    report(state, texts);
}

// The whole of lookupGeo (matcher, then the key and value copied into the analyzer).
void BM_LookupGeo(benchmark::State& state) {
    const std::vector<std::string>& texts = pages(state.range(0) != 0);
    SiteAnalyzer& analyzer = corpus().analyzer;
    std::vector<StringBuffer> buffers;
    buffers.reserve(texts.size());
    for (const std::string& t : texts)
        buffers.emplace_back(t.c_str());
    StringBuffer value;
    for (auto _ : state) {
        for (const StringBuffer& b : buffers)
            benchmark::DoNotOptimize(lookupGeo(analyzer, b, value));
    }
    report(state, texts);
}

// Building the matcher, done once per analyzer at priming.
void BM_BuildMatcher(benchmark::State& state) {
    const ClsStringArray& table = corpus().analyzer.geoTable;
    for (auto _ : state) {
        GeoKeyMatcher matcher(table);
        benchmark::DoNotOptimize(matcher.numKeys());
    }
}

// Argument: 0 for the pages without a match, 1 for those with one.
BENCHMARK(BM_LinearScan)->ArgName("withMatch")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_Matcher)->ArgName("withMatch")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_LookupGeo)->ArgName("withMatch")->Arg(0)->Arg(1)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_BuildMatcher)->Unit(benchmark::kMicrosecond);

} // namespace
