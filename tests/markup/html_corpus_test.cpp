// The converter on the shared corpus (real saved pages and the html5lib tree-construction
// fragments) and on the inputs fuzzing found: every input keeps the round trip of
// tests/support/html_round_trip.h, and every page with a title keeps it as a title element with
// text.
#include "base/ascii.h"
#include "tests/support/file_test_support.h"
#include "tests/support/html_round_trip.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

#ifdef HTML_CORPUS_DIR
const char* const kCorpusDir = HTML_CORPUS_DIR;
#else
const char* const kCorpusDir = "";
#endif

// The page as the crawler hands it over: UTF-8 when it is UTF-8, otherwise read in the ANSI code page.
std::string utf8Page(const std::string& bytes) {
    XString asUtf8;
    asUtf8.setFromUtf8(bytes.c_str());
    if (std::string(asUtf8.getUtf8()) == bytes.c_str())
        return bytes.c_str();
    XString page;
    page.setFromAnsi(bytes.c_str());
    return page.getUtf8();
}

// Whether the text between "<title>" and "</title>" (case ignored) holds more than blanks.
bool hasTitle(std::string html) {
    std::transform(html.begin(), html.end(), html.begin(), [](char c) { return lowerAscii(c); });
    size_t start = html.find("<title>");
    size_t end = start == std::string::npos ? start : html.find("</title>", start);
    return end != std::string::npos &&
           html.substr(start + 7, end - start - 7).find_first_not_of(" \t\r\n\f\v") != std::string::npos;
}

// Whether an element named title (in any case) has a text child with content.
bool hasTitleWithText(const TreeNode* root) {
    bool found = false;
    html_round_trip::walk(root, [&found](const TreeNode* node, size_t) {
        std::string tag = node->getTag();
        std::transform(tag.begin(), tag.end(), tag.begin(), [](char c) { return lowerAscii(c); });
        for (const TreeNode* child = node->firstChild(); tag == "title" && child;
             child = child->nextSibling())
            found = found || (child->tagEquals("text") && child->hasContent());
    });
    return found;
}

// The `#data` sections of an html5lib tree-construction file: the lines after "#data" up to the
// next section header, without the last line end.
std::vector<std::string> dataSections(const std::string& file) {
    std::vector<std::string> inputs;
    std::istringstream lines(file);
    std::string data;
    bool inData = false;
    for (std::string line; std::getline(lines, line);) {
        if (line == "#data") {
            inData = true;
            data.clear();
        } else if (inData && (line == "#errors" || line.rfind("#new-errors", 0) == 0 ||
                              line.rfind("#document", 0) == 0 || line.rfind("#script-", 0) == 0)) {
            inData = false;
            if (!data.empty())
                data.pop_back();
            inputs.push_back(data);
        } else if (inData) {
            data += line + "\n";
        }
    }
    return inputs;
}

std::vector<std::string> corpusFiles(const char* part, const char* extension) {
    std::error_code error;
    fs::path dir = fs::path(kCorpusDir) / part;
    return *kCorpusDir == '\0' || !fs::is_directory(dir, error) ? std::vector<std::string>()
                                                                : file_test::filesIn(dir.string(), extension);
}

TEST(HtmlCorpusTest, EverySavedPageKeepsItsTreeTextAndTitle) {
    std::vector<std::string> pages = corpusFiles("pages", ".html");
    if (pages.empty())
        GTEST_SKIP() << "no corpus of saved pages at " << kCorpusDir;
    int titled = 0;
    for (const std::string& path : pages) {
        std::string html = utf8Page(file_test::readBytes(path));
        ClsXml doc;
        EXPECT_EQ(html_round_trip::fault(html.c_str(), true, doc), "") << path;
        if (!hasTitle(html))
            continue;
        ++titled;
        EXPECT_TRUE(hasTitleWithText(doc.getNode())) << path << ": the title is lost";
    }
    EXPECT_GT(titled, 0);
}

TEST(HtmlCorpusTest, EveryHtml5libFragmentKeepsItsTreeAndText) {
    std::vector<std::string> files = corpusFiles("html5lib/tree-construction", ".dat");
    if (files.empty())
        GTEST_SKIP() << "no html5lib fragments in the corpus at " << kCorpusDir;
    size_t count = 0;
    for (const std::string& path : files) {
        for (const std::string& input : dataSections(file_test::readBytes(path))) {
            ++count;
            ClsXml doc;
            ASSERT_EQ(html_round_trip::fault(utf8Page(input).c_str(), true, doc), "") << path << ":\n"
                                                                                      << input;
        }
    }
    EXPECT_GT(count, 1000u);
}

TEST(HtmlCorpusTest, EveryFuzzSeedKeepsItsTreeAndText) {
    std::vector<std::string> seeds = file_test::filesIn(std::string(FUZZ_SEEDS_DIR) + "/fuzz_html_to_xml");
    ASSERT_FALSE(seeds.empty()) << "no fuzz seeds at " << FUZZ_SEEDS_DIR;
    for (const std::string& seed : seeds) {
        ClsXml doc;
        EXPECT_EQ(html_round_trip::fault(utf8Page(file_test::readBytes(seed)).c_str(), true, doc), "")
            << seed;
    }
}

} // namespace
