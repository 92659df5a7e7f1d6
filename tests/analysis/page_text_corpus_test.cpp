// The page text of every saved page of the shared corpus against the visible text an independent
// parser (Python's html.parser, through tools/visible_text.py) finds in it. The two agree when
// their words, counted as multisets, overlap by at least 97% of the larger count on every page: the
// parsers differ in small things (a blank after a phrasing element that holds its own text
// element, the odd unclosed construct), while a reader that loses text loses far more.
#include "../support/tool_support.h"
#include "analysis/page_text.h"
#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "charset/encoding_convert.h"
#include "charset/encoding_finder.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>

namespace {

namespace fs = std::filesystem;

const char* const kCorpusDir = GEO_CORPUS_DIR;
const char* const kTool = VISIBLE_TEXT_TOOL;

constexpr double kMinimumOverlap = 0.97;

// Words between ASCII blanks and no-break spaces, as the word vectors count them.
std::map<std::string, int> wordCounts(std::string text) {
    for (size_t at = text.find("\xC2\xA0"); at != std::string::npos; at = text.find("\xC2\xA0", at))
        text.replace(at, 2, " ");
    std::map<std::string, int> counts;
    std::istringstream words(text);
    std::string word;
    while (words >> word)
        ++counts[word];
    return counts;
}

// Shared words over the larger word count of the two texts.
double overlap(const std::string& a, const std::string& b) {
    std::map<std::string, int> ca = wordCounts(a);
    std::map<std::string, int> cb = wordCounts(b);
    long shared = 0, totalA = 0, totalB = 0;
    for (const auto& [word, n] : ca) {
        totalA += n;
        shared += std::min(n, cb.count(word) != 0 ? cb[word] : 0);
    }
    for (const auto& entry : cb)
        totalB += entry.second;
    long larger = std::max(totalA, totalB);
    return larger == 0 ? 1.0 : static_cast<double>(shared) / static_cast<double>(larger);
}

// Up to a few words `a` holds more often than `b`, for the failure message.
std::string surplus(const std::string& a, const std::string& b) {
    std::map<std::string, int> ca = wordCounts(a);
    std::map<std::string, int> cb = wordCounts(b);
    std::string words;
    int listed = 0;
    for (const auto& [word, n] : ca) {
        if (n > cb[word] && listed++ < 12)
            words += " " + word;
    }
    return words;
}

// The page as UTF-8, as the crawler hands it over: pages that are not UTF-8 read as Windows-1252.
StringBuffer pageAsUtf8(const std::string& bytes) {
    StringBuffer page;
    if (EncodingFinder::isValidUtf8(reinterpret_cast<const unsigned char*>(bytes.data()), bytes.size())) {
        page.appendN(bytes.data(), static_cast<int>(bytes.size()));
        return page;
    }
    DataBuffer utf8;
    EncodingConvert convert;
    convert.Convert(1252, 65001, reinterpret_cast<const unsigned char*>(bytes.data()),
                    static_cast<unsigned>(bytes.size()), utf8);
    page.appendN(reinterpret_cast<const char*>(utf8.getData()), static_cast<int>(utf8.getSize()));
    return page;
}

// The tool's output: a line with the file name, then a line with its text, for each page.
std::map<std::string, std::string> referenceTexts(const fs::path& dir) {
    std::map<std::string, std::string> texts;
    std::string command = std::string("python3 '") + kTool + "' '" + dir.string() + "'";
    bool ok = false;
    std::string output = test_support::commandOutput(command, &ok);
    if (!ok)
        return texts;
    std::istringstream lines(output);
    std::string name;
    std::string text;
    while (std::getline(lines, name) && std::getline(lines, text))
        texts[name] = text;
    return texts;
}

TEST(PageTextCorpusTest, PageTextAgreesWithAnIndependentParserOnEverySavedPage) {
    fs::path dir = fs::path(kCorpusDir) / "pages";
    std::error_code error;
    if (*kCorpusDir == '\0' || !fs::is_directory(dir, error))
        GTEST_SKIP() << "the shared corpus is not at " << dir << "; nothing to compare";
    if (std::system("python3 -c '' 2>/dev/null") != 0)
        GTEST_SKIP() << "python3 is not on this machine; no reference texts";
    std::map<std::string, std::string> references = referenceTexts(dir);
    ASSERT_FALSE(references.empty()) << "no output from " << kTool;
    for (const auto& [name, reference] : references) {
        StringBuffer text;
        pageText(pageAsUtf8(file_test::readBytes((dir / name).string())), text);
        double agreement = overlap(text.getString(), reference);
        EXPECT_GE(agreement, kMinimumOverlap) << name << ": missing" << surplus(reference, text.getString())
                                              << "; extra" << surplus(text.getString(), reference);
    }
}

} // namespace
