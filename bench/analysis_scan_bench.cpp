// A page of 15,000 links and 13,800 scripts, such as a large directory or a site index with an
// ad script per entry, through the scans the analysis makes on every page: the link collection,
// the ad code extraction and the page text. A scan that searches again from the root after each
// match grows with the square of the page and shows here in seconds; one walk takes milliseconds.
#include "analysis/ad_codes.h"
#include "analysis/links.h"
#include "analysis/page_text.h"
#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "base/x_string.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"

#include <benchmark/benchmark.h>

#include <cstdio>
#include <string>

namespace {

constexpr int kLinks = 15000;
constexpr int kScripts = 13800;

const StringBuffer& bigPage() {
    static const StringBuffer page = [] {
        std::string html = "<html><head><title>Index</title></head><body><ul>\n";
        for (int i = 0; i < kLinks; ++i) {
            html += "<li><a href=\"/entry" + std::to_string(i) + ".html\">Entry <b>" + std::to_string(i) +
                    "</b></a>";
            if (i < kScripts)
                html += "<script>var slot" + std::to_string(i) + " = 'x';</script>";
            html += "</li>\n";
        }
        html += "</ul></body></html>\n";
        return StringBuffer(html.c_str());
    }();
    return page;
}

ClsXml& bigTree() {
    static ClsXml* tree = [] {
        ClsHtmlToXml converter;
        XString page;
        page.setFromUtf8(bigPage().getString());
        converter.put_Html(page);
        XString xml;
        auto* loaded = new ClsXml();
        if (!converter.ToXml(xml) || !loaded->LoadXml(xml.getUtf8()))
            std::fprintf(stderr, "Failed to convert the benchmark page\n");
        return loaded;
    }();
    return *tree;
}

void CollectLinks(benchmark::State& state) {
    ClsXml& tree = bigTree();
    for (auto _ : state) {
        ClsStringArray urls, texts;
        collectLinks(tree, urls, texts);
        if (urls.get_Count() != kLinks)
            state.SkipWithError("wrong number of links");
    }
}

void ExtractAdCodes(benchmark::State& state) {
    ClsXml& tree = bigTree();
    for (auto _ : state) {
        SiteAnalyzer analyzer;
        extractAdCodes(analyzer, tree);
        benchmark::DoNotOptimize(analyzer.googleId.getSize());
    }
}

void PageText(benchmark::State& state) {
    const StringBuffer& html = bigPage();
    for (auto _ : state) {
        StringBuffer text;
        pageText(html, text);
        benchmark::DoNotOptimize(text.getSize());
    }
}

} // namespace

BENCHMARK(CollectLinks)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(ExtractAdCodes)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(PageText)->Unit(benchmark::kMillisecond)->Iterations(1);
