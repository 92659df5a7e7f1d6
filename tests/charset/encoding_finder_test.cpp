// The encoding finder: which rule decides a page's encoding, the labels it resolves, and the
// decoding of every page into valid UTF-8.
#include "charset/code_page_names.h"
#include "charset/encoding_finder.h"
#include "tests/support/case_rows.h"

#include <gtest/gtest.h>

#include <string>

namespace {

struct FindCase {
    const char* name;
    std::string body;
    const char* httpCharset;
    unsigned codePage;
    const char* label;
};

std::string padded(const std::string& before, const std::string& after) {
    return before + std::string(1100, ' ') + after;
}

// clang-format off
const FindCase kFindCases[] = {
    {"bomUtf8", "\xEF\xBB\xBF<meta charset=big5>x", "windows-1251", 65001, "utf-8"},
    {"bomUtf16le", std::string("\xFF\xFE<\0a\0", 6), nullptr, 1200, "utf-16le"},
    {"bomUtf16be", std::string("\xFE\xFF\0<\0a", 6), nullptr, 1201, "utf-16be"},
    {"bomUtf32le", std::string("\xFF\xFE\0\0<\0\0\0", 8), nullptr, 65005, "utf-32le"},
    {"bomUtf32be", std::string("\0\0\xFE\xFF\0\0\0<", 8), nullptr, 65006, "utf-32be"},
    {"headerOverMeta", "<meta charset=big5>", " \"Windows-1251\" ", 1251, "windows-1251"},
    {"unknownHeaderIgnored", "<meta charset=big5>", "no-such-thing", 950, "big5"},
    {"metaCharset", "<META CHARSET='Shift_JIS'>", nullptr, 932, "shift_jis"},
    {"metaUnquoted", "<meta charset=euc-kr>", "", 949, "euc-kr"},
    {"httpEquiv", "<meta content=\"text/html; charset=koi8-r\" http-equiv=Content-Type>", nullptr, 20866, "koi8-r"},
    {"contentWithoutPragma", "<meta content=\"text/html; charset=koi8-r\">", nullptr, 65001, ""},
    {"metaInComment", "<!-- <meta charset=big5> --><p>x", nullptr, 65001, ""},
    {"metaInAttribute", "<a title='<meta charset=big5>'>x", nullptr, 65001, ""},
    {"metaAfterWindow", padded("<html>", "<meta charset=big5>"), nullptr, 65001, ""},
    {"metaInWindow", padded("<meta charset=big5>", ""), nullptr, 950, "big5"},
    {"metaUtf16IsUtf8", "<meta charset=utf-16>", nullptr, 65001, "utf-16"},
    {"xmlDeclaration", "<?xml version=\"1.0\" encoding=\"ISO-8859-5\"?><html/>", nullptr, 28595, "iso-8859-5"},
    {"validUtf8", "<p>caf\xC3\xA9", nullptr, 65001, ""},
    {"ascii", "<p>plain", nullptr, 65001, ""},
    {"latinFallback", "<p>caf\xE9 cr\xE8me br\xFBl\xE9" "e", nullptr, 1252, ""},
};
// clang-format on

TEST(EncodingFinder, DecidesByTheRightRule) {
    for (const FindCase& c : kFindCases) {
        PageEncoding found;
        EncodingFinder::find(reinterpret_cast<const unsigned char*>(c.body.data()), c.body.size(),
                             c.httpCharset, found);
        EXPECT_EQ(found.codePage, c.codePage) << c.name;
        EXPECT_STREQ(found.label.getString(), c.label) << c.name;
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
