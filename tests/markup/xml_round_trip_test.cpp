// The XML text of a converted page loads back into the tree it was written from: every element
// in its place under a name the parser reads as one, with the same texts. Run on the saved pages
// of the shared corpus and on the inputs fuzzing found.
#include "base/string_buffer.h"
#include "base/x_string.h"
#include "markup/cls_html_to_xml.h"
#include "markup/html_parse.h"
#include "markup_test_support.h"

#include "../base/file_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using markup_test::Document;
using markup_test::serialize;

#ifdef HTML_CORPUS_DIR
const char* const kCorpusDir = HTML_CORPUS_DIR;
#else
const char* const kCorpusDir = "";
#endif
#ifdef FUZZ_SEEDS_DIR
const char* const kSeedsDir = FUZZ_SEEDS_DIR;
#else
const char* const kSeedsDir = "";
#endif

// The page as UTF-8: as it is when it is UTF-8, otherwise read in the ANSI code page.
std::string utf8Page(const std::string& bytes) {
    XString page;
    page.setFromAnsi(bytes.c_str());
    XString asUtf8;
    asUtf8.setFromUtf8(bytes.c_str());
    bool valid = std::string(asUtf8.getUtf8()) == bytes.c_str();
    return valid ? std::string(bytes.c_str()) : std::string(page.getUtf8());
}

std::string toXml(const std::string& html) {
    XString page;
    page.setFromUtf8(html.c_str());
    ClsHtmlToXml converter;
    converter.put_Html(page);
    XString xml;
    EXPECT_TRUE(converter.ToXml(xml));
    return xml.getUtf8();
}

// Every text of the tree, one a line.
std::string allText(TreeNode* root) {
    std::string text;
    std::vector<TreeNode*> pending{root};
    while (!pending.empty()) {
        TreeNode* node = pending.back();
        pending.pop_back();
        text += node->getContent();
        text += "\n";
        for (int i = node->numChildren() - 1; i >= 0; --i)
            pending.push_back(node->getChild(i));
    }
    return text;
}

// Each element in document order as its path of names. For the converter's own tree
// (`written` false) the names are mended as the XML text has them.
std::vector<std::string> elements(TreeNode* root, bool written) {
    std::vector<std::string> out;
    std::vector<std::pair<TreeNode*, std::string>> pending{{root, ""}};
    while (!pending.empty()) {
        auto [node, path] = pending.back();
        pending.pop_back();
        StringBuffer name;
        if (written)
            name.append(node->getTag());
        else
            appendXmlName(name, node->getTag(), static_cast<int>(std::strlen(node->getTag())));
        path += "/";
        path += name.getString();
        out.push_back(path);
        for (int i = node->numChildren() - 1; i >= 0; --i)
            pending.emplace_back(node->getChild(i), path);
    }
    return out;
}

// Converts `html`, loads the XML text and checks the tree and its text again.
void checkRoundTrip(const std::string& bytes) {
    std::string html = utf8Page(bytes);
    // The converter reads a bare "<a>" as a closing one before it builds its tree.
    XString page;
    page.setFromUtf8(html.c_str());
    page.replaceAllUtf8("<a>", "</a>");
    page.replaceAllUtf8("<A>", "</a>");
    HtmlParse parse;
    Document built(parse.htmlToTree(page.getUtf8(), 65001));
    ASSERT_NE(built, nullptr);
    std::string xml = toXml(html);

    Document loaded = markup_test::parse(xml);
    ASSERT_NE(loaded, nullptr);
    std::vector<std::string> got = elements(loaded.get(), true);
    std::vector<std::string> expected = elements(built.get(), false);
    EXPECT_EQ(got.size(), expected.size());
    auto differ = std::mismatch(got.begin(), got.end(), expected.begin(), expected.end());
    if (differ.first != got.end() && differ.second != expected.end())
        ADD_FAILURE() << "element " << differ.first - got.begin() << ": " << *differ.first << "\nexpected "
                      << *differ.second;

    // Written again, the text is the same; or, when loading trimmed or decoded something,
    // the same after one more round.
    std::string again = serialize(loaded.get());
    if (again != xml) {
        Document reloaded = markup_test::parse(again);
        ASSERT_NE(reloaded, nullptr);
        EXPECT_EQ(serialize(reloaded.get()), again);
    }
}

TEST(XmlRoundTripTest, EveryCorpusPageLoadsBackIntoItsTree) {
    fs::path dir = fs::path(kCorpusDir) / "pages";
    if (!fs::is_directory(dir))
        GTEST_SKIP() << "no corpus of saved pages at " << dir;
    for (const std::string& page : file_test::filesIn(dir.string())) {
        SCOPED_TRACE(page);
        checkRoundTrip(file_test::readBytes(page));
    }
}

TEST(XmlRoundTripTest, EveryFuzzSeedLoadsBackIntoItsTree) {
    std::vector<std::string> seeds = file_test::filesIn(std::string(kSeedsDir) + "/fuzz_html_to_xml");
    ASSERT_FALSE(seeds.empty()) << "no fuzz seeds at " << kSeedsDir;
    for (const std::string& seed : seeds) {
        SCOPED_TRACE(seed);
        checkRoundTrip(file_test::readBytes(seed));
    }
}

// An element named like a document type declaration once took everything before it with it.
TEST(XmlRoundTripTest, ANameStartingWithABangKeepsTheTextAroundIt) {
    std::string xml = toXml("<p>before</p><a<b'></y</z<<!doctype html>'>after<p>tail text</p>");
    Document loaded = markup_test::parse(xml);
    ASSERT_NE(loaded, nullptr);
    std::string text = allText(loaded.get());
    for (const char* part : {"before", "after", "tail text"})
        EXPECT_NE(text.find(part), std::string::npos) << part << " missing from\n" << text;
}

} // namespace
