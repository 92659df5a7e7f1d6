// The converter on the shared corpus: real saved pages and the html5lib tree-construction
// fragments. Every input must convert to XML text that loads back into a document rooted at
// "root", and every page with a title must keep it as a title element with text.
#include "markup/cls_html_to_xml.h"

#include "base/x_string.h"
#include "markup/cls_xml.h"
#include "markup/tree_node.h"

#include "../base/file_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
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

// Converts the page as the crawler hands it over (UTF-8 when it is UTF-8, else as ANSI) and
// loads the XML text; false when the text does not load.
bool convertAndLoad(const std::string& html, ClsXml& doc) {
    XString page;
    if (isUtf8(html))
        page.setFromUtf8(html.c_str());
    else
        page.setFromAnsi(html.c_str());
    ClsHtmlToXml converter;
    converter.put_Html(page);
    XString xml;
    if (!converter.ToXml(xml))
        return false;
    return doc.LoadXml(xml.isAnsiCurrent() ? xml.getAnsi() : xml.getUtf8());
}

std::string lower(std::string text) {
    for (char& c : text)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

// The page's title as a head reader sees it: the text between "<title>" and "</title>", case
// ignored, with its whitespace collapsed.
std::string pageTitle(const std::string& html) {
    std::string folded = lower(html);
    size_t start = folded.find("<title>");
    if (start == std::string::npos)
        return "";
    start += 7;
    size_t end = folded.find("</title>", start);
    if (end == std::string::npos)
        return "";
    std::string title;
    for (char c : html.substr(start, end - start)) {
        bool blank = std::isspace(static_cast<unsigned char>(c)) != 0;
        if (blank && (title.empty() || title.back() == ' '))
            continue;
        title += blank ? ' ' : c;
    }
    while (!title.empty() && title.back() == ' ')
        title.pop_back();
    return title;
}

bool hasText(const TreeNode* element) {
    for (const TreeNode* child = element->firstChild(); child != nullptr; child = child->nextSibling()) {
        if (child->tagEquals("text") && child->hasContent())
            return true;
    }
    return false;
}

// Whether some element named title (in any case) has a non-empty text child; the walk keeps
// its own stack.
bool hasTitleWithText(TreeNode* root) {
    std::vector<TreeNode*> pending{root};
    while (!pending.empty()) {
        TreeNode* node = pending.back();
        pending.pop_back();
        if (lower(node->getTag()) == "title" && hasText(node))
            return true;
        for (TreeNode* child = node->firstChild(); child != nullptr; child = child->nextSibling())
            pending.push_back(child);
    }
    return false;
}

// The `#data` sections of an html5lib tree-construction file: the lines after "#data" up to the
// next section header, without the last line end.
std::vector<std::string> dataSections(const std::string& file) {
    std::vector<std::string> inputs;
    std::istringstream lines(file);
    std::string line;
    bool inData = false;
    std::string data;
    while (std::getline(lines, line)) {
        if (line == "#data") {
            inData = true;
            data.clear();
            continue;
        }
        if (inData && (line == "#errors" || line.rfind("#new-errors", 0) == 0 ||
                       line.rfind("#document", 0) == 0 || line.rfind("#script-", 0) == 0)) {
            inData = false;
            if (!data.empty())
                data.pop_back();
            inputs.push_back(data);
            continue;
        }
        if (inData)
            data += line + "\n";
    }
    return inputs;
}

fs::path corpus(const char* part) {
    return fs::path(kCorpusDir) / part;
}

bool corpusMissing(const fs::path& dir) {
    std::error_code error;
    return *kCorpusDir == '\0' || !fs::is_directory(dir, error);
}

TEST(HtmlCorpusTest, EverySavedPageConvertsAndLoadsBack) {
    fs::path dir = corpus("pages");
    if (corpusMissing(dir))
        GTEST_SKIP() << "the shared corpus is not at " << dir << "; nothing to convert";
    std::vector<std::string> pages = file_test::filesIn(dir.string(), ".html");
    ASSERT_FALSE(pages.empty());
    int titled = 0;
    for (const std::string& path : pages) {
        std::string html = file_test::readBytes(path);
        ClsXml doc;
        ASSERT_TRUE(convertAndLoad(html, doc)) << path;
        EXPECT_STREQ(doc.get_Tag(), "root") << path;
        if (pageTitle(html).empty())
            continue;
        ++titled;
        EXPECT_TRUE(hasTitleWithText(doc.getNode()))
            << path << ": the title \"" << pageTitle(html) << "\" is lost";
    }
    EXPECT_GT(titled, 0);
}

TEST(HtmlCorpusTest, EveryHtml5libFragmentConvertsAndLoadsBack) {
    fs::path dir = corpus("html5lib/tree-construction");
    if (corpusMissing(dir))
        GTEST_SKIP() << "the shared corpus is not at " << dir << "; nothing to convert";
    size_t count = 0;
    for (const std::string& path : file_test::filesIn(dir.string(), ".dat")) {
        for (const std::string& input : dataSections(file_test::readBytes(path))) {
            ++count;
            ClsXml doc;
            ASSERT_TRUE(convertAndLoad(input, doc)) << path << ":\n" << input;
            ASSERT_STREQ(doc.get_Tag(), "root") << path << ":\n" << input;
        }
    }
    EXPECT_GT(count, 1000u);
}

} // namespace
