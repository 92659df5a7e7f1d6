#include "base/domain_helpers.h"

#include "base/string_buffer.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <cstdlib>
#include <set>
#include <sstream>
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

std::string squeezeSpace(std::string s) {
    s.erase(std::remove_if(s.begin(), s.end(), [](unsigned char c) { return std::isspace(c) != 0; }),
            s.end());
    return s;
}

// Reads back what the generated script would write: the decimal, hexadecimal and octal codes
// between "fromCharCode(" and the closing parenthesis.
std::string decodeScript(const std::string& script) {
    const size_t start = script.find('(', script.find("fromCharCode")) + 1;
    std::istringstream codes(script.substr(start, script.find(')', start) - start));
    std::string html;
    for (std::string code; std::getline(codes, code, ',');) {
        char* end = nullptr;
        html.push_back(static_cast<char>(std::strtol(code.c_str(), &end, 0)));
        EXPECT_EQ(squeezeSpace(end), "") << code;
    }
    return html;
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
