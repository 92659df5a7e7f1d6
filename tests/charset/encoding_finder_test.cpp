// The encoding finder: which rule decides a page's encoding, the labels it resolves, and the
// decoding of every page into valid UTF-8.
#include "charset/code_page_names.h"
#include "charset/encoding_finder.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

TEST(EncodingFinder, DecidesByTheRightRule) {
    for (const case_rows::Row& c : case_rows::read(CHARSET_TEST_DATA_DIR "/page_encodings.txt", 5)) {
        std::string body = c[1];
        const std::string spaces = "{1100 spaces}";
        if (size_t at = body.find(spaces); at != std::string::npos)
            body.replace(at, spaces.size(), std::string(1100, ' '));
        PageEncoding found;
        EncodingFinder::find(reinterpret_cast<const unsigned char*>(body.data()), body.size(),
                             c[2] == "(null)" ? nullptr : c[2].c_str(), found);
        EXPECT_EQ(found.codePage, std::stoul(c[3])) << c[0];
        EXPECT_EQ(found.label.getString(), c[4]) << c[0];
    }
}

TEST(EncodingFinder, DetectorReadsUndeclaredCyrillic) {
    // A windows-1251 sentence, long enough for the detector.
    std::string text;
    for (int i = 0; i < 20; ++i)
        text +=
            "\xcf\xf0\xe8\xe2\xe5\xf2, \xec\xe8\xf0! \xdd\xf2\xee \xf2\xe5\xf1\xf2\xee\xe2\xe0\xff "
            "\xf1\xf2\xf0\xe0\xed\xe8\xf6\xe0 \xed\xe0 \xf0\xf3\xf1\xf1\xea\xee\xec \xff\xe7\xfb\xea\xe5. ";
    PageEncoding found;
    EncodingFinder::find(reinterpret_cast<const unsigned char*>(text.data()), text.size(), nullptr, found);
    EXPECT_EQ(found.codePage, 1251u);
    EXPECT_STREQ(found.label.getString(), "");
}

TEST(CodePageFromLabel, ResolvesAsBrowsersDo) {
    for (const case_rows::Row& c : case_rows::read(CHARSET_TEST_DATA_DIR "/web_labels.txt", 2))
        EXPECT_EQ(CodePageFromLabel(c[0].c_str()), std::stoul(c[1])) << c[0];
}

TEST(EncodingFinder, DecodesEveryBodyToValidUtf8) {
    for (const case_rows::Row& c : case_rows::read(CHARSET_TEST_DATA_DIR "/page_decoding.txt", 4)) {
        StringBuffer out("old");
        EncodingFinder::decode(reinterpret_cast<const unsigned char*>(c[2].data()), c[2].size(),
                               static_cast<unsigned>(std::stoul(c[1])), out);
        EXPECT_EQ(std::string(out.getString(), static_cast<size_t>(out.getSize())), c[3]) << c[0];
        EXPECT_TRUE(EncodingFinder::isValidUtf8(reinterpret_cast<const unsigned char*>(out.getString()),
                                                static_cast<size_t>(out.getSize())))
            << c[0];
    }
}

} // namespace
