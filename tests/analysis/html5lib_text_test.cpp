// The text of the html5lib tree-construction cases about comments, bogus comments, character
// references and raw text, read where the shared corpus keeps them. Each case's expected
// document lists its text nodes; the page text must hold the same characters in the same order.
// Blanks are left out of the comparison on both sides: the expected trees do not say where a
// browser breaks words between blocks, which the page text decides by its own rule.
#include "analysis/page_text.h"
#include "base/string_buffer.h"

#include <gtest/gtest.h>

#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;

const char* const kCorpusDir = GEO_CORPUS_DIR;

// The files whose cases concern these shapes.
const char* const kFiles[] = {"comments01.dat", "entities01.dat", "entities02.dat", "scriptdata01.dat"};

struct Html5libCase {
    std::string file;
    std::string data;
    // The text nodes outside script, style and template, in document order.
    std::string text;
    // Cases that need what the reader leaves to others: scripting turned on, or a fragment
    // context.
    bool outOfScope = false;
};

std::string withoutBlanks(const std::string& text) {
    std::string out;
    for (size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f')
            continue;
        if (c == '\xC2' && i + 1 < text.size() && text[i + 1] == '\xA0') {
            ++i;
            continue;
        }
        out += c;
    }
    return out;
}

// Depth of a document line "| " followed by two blanks per level.
size_t depthOf(const std::string& line) {
    size_t n = 0;
    while (2 + n < line.size() && line[2 + n] == ' ')
        ++n;
    return n / 2;
}

// Reads the "#data" and "#document" sections of one file.
std::vector<Html5libCase> readCases(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<Html5libCase> cases;
    std::string line;
    std::string section;
    // Depth of the innermost hidden element, or none.
    size_t hiddenDepth = SIZE_MAX;
    bool inText = false;
    while (std::getline(in, line)) {
        if (!inText && line.rfind("#", 0) == 0) {
            section = line;
            if (section == "#data") {
                cases.push_back({path.filename().string(), "", ""});
                hiddenDepth = SIZE_MAX;
            } else if (section == "#script-on" || section == "#document-fragment") {
                cases.back().outOfScope = true;
            }
            continue;
        }
        if (cases.empty())
            continue;
        Html5libCase& c = cases.back();
        if (section == "#data") {
            c.data += c.data.empty() ? line : "\n" + line;
        } else if (section == "#document") {
            if (inText) {
                bool ends = !line.empty() && line.back() == '"';
                if (hiddenDepth == SIZE_MAX)
                    c.text += "\n" + line.substr(0, ends ? line.size() - 1 : line.size());
                inText = !ends;
                continue;
            }
            if (line.size() < 3 || line[0] != '|')
                continue;
            size_t depth = depthOf(line);
            if (depth <= hiddenDepth)
                hiddenDepth = SIZE_MAX;
            std::string node = line.substr(2 + 2 * depth);
            if (node == "<script>" || node == "<style>" || node == "<template>") {
                if (hiddenDepth == SIZE_MAX)
                    hiddenDepth = depth;
            } else if (!node.empty() && node[0] == '"') {
                bool ends = node.size() >= 2 && node.back() == '"';
                if (hiddenDepth == SIZE_MAX)
                    c.text += node.substr(1, ends ? node.size() - 2 : std::string::npos);
                inText = !ends;
            }
        }
    }
    return cases;
}

TEST(Html5libTextTest, TextOfTheCommentReferenceAndRawTextCases) {
    fs::path dir = fs::path(kCorpusDir) / "html5lib" / "tree-construction";
    std::error_code error;
    if (*kCorpusDir == '\0' || !fs::is_directory(dir, error))
        GTEST_SKIP() << "the shared corpus is not at " << dir << "; no html5lib cases";
    int compared = 0;
    for (const char* file : kFiles) {
        std::vector<Html5libCase> cases = readCases(dir / file);
        EXPECT_FALSE(cases.empty()) << file;
        for (const Html5libCase& c : cases) {
            if (c.outOfScope)
                continue;
            StringBuffer text;
            pageText(StringBuffer(c.data.c_str()), text);
            EXPECT_EQ(withoutBlanks(text.getString()), withoutBlanks(c.text)) << c.file << ":\n" << c.data;
            ++compared;
        }
    }
    EXPECT_GT(compared, 50);
}

} // namespace
