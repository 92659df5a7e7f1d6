// Throughput of the HTML-to-XML conversion on the saved pages of the shared corpus, beside
// libxml2's HTML parser reading the same pages in the same run. Each iteration handles every
// page once; the figures are bytes of HTML per second.
//   HtmlToXmlAndLoad: put_Html, ToXml and ClsXml::LoadXml of the result, what the analysis does.
//   HtmlToTree:       the tree building alone.
//   Libxml2HtmlRead:  htmlReadMemory (recovering, no network) and freeing the document.
// The pages are read once before the runs, and each page is held as the XString the crawler
// would hand over (UTF-8 when the bytes are UTF-8, otherwise the ANSI form).
#include "base/x_string.h"
#include "charset/code_pages.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"
#include "markup/html_parse.h"
#include "markup/tree_node.h"

#include <benchmark/benchmark.h>

#ifdef DUNMERE_BENCH_LIBXML2
#include <libxml/HTMLparser.h>
#endif

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace {

struct Page {
    std::string bytes;
    bool utf8;
    std::unique_ptr<XString> text;
};

bool isUtf8(const std::string& text) {
    size_t i = 0;
    while (i < text.size()) {
        auto c = static_cast<unsigned char>(text[i]);
        size_t extra = c < 0x80 ? 0 : (c >> 5) == 6 ? 1 : (c >> 4) == 14 ? 2 : (c >> 3) == 30 ? 3 : 9;
        if (extra == 9 || i + extra >= text.size())
            return false;
        for (size_t k = 1; k <= extra; ++k) {
            if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80)
                return false;
        }
        i += extra + 1;
    }
    return true;
}

const std::vector<Page>& pages() {
    static const std::vector<Page> loaded = [] {
        std::vector<Page> out;
        std::error_code error;
        std::vector<std::filesystem::path> paths;
        for (const auto& entry : std::filesystem::directory_iterator(HTML_PAGES_DIR, error)) {
            if (entry.path().extension() == ".html")
                paths.push_back(entry.path());
        }
        std::sort(paths.begin(), paths.end());
        for (const auto& path : paths) {
            std::ifstream in(path, std::ios::binary);
            std::ostringstream bytes;
            bytes << in.rdbuf();
            Page page{bytes.str(), false, std::make_unique<XString>()};
            page.utf8 = isUtf8(page.bytes);
            if (page.utf8)
                page.text->setFromUtf8(page.bytes.c_str());
            else
                page.text->setFromAnsi(page.bytes.c_str());
            out.push_back(std::move(page));
        }
        return out;
    }();
    return loaded;
}

int64_t totalBytes() {
    int64_t total = 0;
    for (const Page& page : pages())
        total += static_cast<int64_t>(page.bytes.size());
    return total;
}

bool havePages(benchmark::State& state) {
    if (!pages().empty())
        return true;
    state.SkipWithError("no pages in " HTML_PAGES_DIR);
    return false;
}

void HtmlToXmlAndLoad(benchmark::State& state) {
    if (!havePages(state))
        return;
    ClsHtmlToXml converter;
    for (auto _ : state) {
        for (const Page& page : pages()) {
            converter.put_Html(*page.text);
            XString xml;
            bool converted = converter.ToXml(xml);
            ClsXml doc;
            bool loaded = converted && doc.LoadXml(xml.isAnsiCurrent() ? xml.getAnsi() : xml.getUtf8());
            benchmark::DoNotOptimize(loaded);
        }
    }
    state.SetBytesProcessed(state.iterations() * totalBytes());
}
BENCHMARK(HtmlToXmlAndLoad)->Unit(benchmark::kMillisecond);

void HtmlToTree(benchmark::State& state) {
    if (!havePages(state))
        return;
    HtmlParse parse;
    for (auto _ : state) {
        for (const Page& page : pages()) {
            unsigned codePage = page.utf8 ? CodePages::kUtf8 : CodePages::SystemAnsiCodePage();
            TreeNode* root = parse.htmlToTree(page.bytes.c_str(), codePage);
            benchmark::DoNotOptimize(root);
            TreeNode::destroyDocument(root);
        }
    }
    state.SetBytesProcessed(state.iterations() * totalBytes());
}
BENCHMARK(HtmlToTree)->Unit(benchmark::kMillisecond);

#ifdef DUNMERE_BENCH_LIBXML2
void Libxml2HtmlRead(benchmark::State& state) {
    if (!havePages(state))
        return;
    const int options = HTML_PARSE_RECOVER | HTML_PARSE_NOERROR | HTML_PARSE_NOWARNING | HTML_PARSE_NONET;
    for (auto _ : state) {
        for (const Page& page : pages()) {
            htmlDocPtr doc = htmlReadMemory(page.bytes.data(), static_cast<int>(page.bytes.size()), nullptr,
                                            nullptr, options);
            benchmark::DoNotOptimize(doc);
            xmlFreeDoc(doc);
        }
    }
    state.SetBytesProcessed(state.iterations() * totalBytes());
}
BENCHMARK(Libxml2HtmlRead)->Unit(benchmark::kMillisecond);
#endif

} // namespace
