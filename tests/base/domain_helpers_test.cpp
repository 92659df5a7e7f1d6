#include "base/domain_helpers.h"

#include "base/string_buffer.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <set>
#include <string>
#include <vector>

namespace {

TEST(GetBaseDomain, GivesTheRegistrablePart) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/base_domains.txt", 2)) {
        StringBuffer out("left over");
        getBaseDomain(c[0].c_str(), out);
        EXPECT_EQ(std::string(out.getString()), c[1]) << c[0];
    }
    StringBuffer empty("left over");
    getBaseDomain("", empty);
    EXPECT_STREQ(empty.getString(), "");
}

TEST(HasKnownTld, ReadsTheLastLabel) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/known_tlds.txt", 2))
        EXPECT_EQ(hasKnownTld(c[0].c_str()), c[1] == "known") << c[0];
    EXPECT_FALSE(hasKnownTld(nullptr));
}

TEST(HostName, ConvertsToAsciiAndLowerCases) {
    std::vector<case_rows::Row> cases = case_rows::read(BASE_TEST_DATA_DIR "/host_names.txt", 3);
    cases.push_back({"", "", ""});
    for (const case_rows::Row& c : cases) {
        StringBuffer ascii("left over");
        EXPECT_EQ(toAsciiHost(c[0].c_str(), ascii), !c[1].empty()) << c[0];
        EXPECT_EQ(std::string(ascii.getString()), c[1]) << c[0];
        StringBuffer lowered(c[0].c_str());
        lowerCaseHost(lowered);
        EXPECT_EQ(std::string(lowered.getString()), c[2]) << c[0];
    }
}

// Reads back what the generated script would write: the decimal, hexadecimal and octal codes
// between "fromCharCode(" and the closing parenthesis.
std::string decodeScript(const std::string& script) {
    size_t start = script.find("fromCharCode");
    EXPECT_NE(start, std::string::npos);
    start = script.find('(', start) + 1;
    size_t end = script.find(')', start);
    std::string codes = script.substr(start, end - start);
    std::string html;
    size_t pos = 0;
    while (pos < codes.size()) {
        while (pos < codes.size() && (codes[pos] == ' ' || codes[pos] == ',' || codes[pos] == '\n'))
            ++pos;
        if (pos >= codes.size())
            break;
        char* after = nullptr;
        long code = std::strtol(codes.c_str() + pos, &after, 0);
        EXPECT_GT(after - codes.c_str(), static_cast<long>(pos)) << codes.substr(pos, 10);
        html.push_back(static_cast<char>(code));
        pos = static_cast<size_t>(after - codes.c_str());
    }
    return html;
}

std::string squeezeSpace(const std::string& s) {
    std::string out;
    for (char c : s) {
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n')
            out.push_back(c);
    }
    return out;
}

TEST(ObfuscateLink, WritesTheLinkWithoutShowingIt) {
    std::set<std::string> distinct;
    for (int i = 0; i < 200; ++i) {
        StringBuffer out("old");
        obfuscateLink("Contact us", "mailto:info@example.de", out);
        std::string script = out.getString();
        distinct.insert(script);
        EXPECT_EQ(script.find("example"), std::string::npos);
        EXPECT_EQ(script.find("Contact"), std::string::npos);
        EXPECT_EQ(script.find("old"), std::string::npos);
        std::string lower = squeezeSpace(script);
        for (char& c : lower)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(lower.rfind("<scripttype=\"text/javascript\">document.write(string.fromcharcode(", 0), 0u)
            << script;
        EXPECT_NE(lower.find("));</script>"), std::string::npos) << script;
        EXPECT_EQ(script.back(), '\n');

        std::string html = squeezeSpace(decodeScript(script));
        for (char& c : html)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        EXPECT_EQ(html, "<ahref=\"mailto:info@example.de\">contactus</a>");
    }
    // The spellings are picked at random.
    EXPECT_GT(distinct.size(), 150u);
}

} // namespace
