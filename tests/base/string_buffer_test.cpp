#include "base/string_buffer.h"

#include "base/ext_ptr_array.h"
#include "base/log_base.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unistd.h>
#include <utility>
#include <vector>

namespace {

std::string Text(const StringBuffer& sb) {
    return std::string(sb.getString(), static_cast<size_t>(sb.getSize()));
}

// Takes the parts out of `arr` (destroying them) as plain strings.
std::vector<std::string> TakeParts(ExtPtrArray& arr) {
    std::vector<std::string> parts;
    for (int i = 0; i < arr.getSize(); ++i)
        parts.push_back(Text(*static_cast<StringBuffer*>(arr.elementAt(i))));
    arr.removeAllObjects();
    return parts;
}

// ---- Construction ----

TEST(StringBufferConstruct, DefaultHasTwoHundredByteBlock) {
    StringBuffer sb;
    EXPECT_EQ(sb.getSize(), 0);
    EXPECT_STREQ(sb.getString(), "");
    EXPECT_EQ(sb.getCapacity(), 200);
    EXPECT_EQ(sb.getGrowBy(), 200);
}

TEST(StringBufferConstruct, FromTextIsExactlySized) {
    StringBuffer sb("hello");
    EXPECT_EQ(Text(sb), "hello");
    EXPECT_EQ(sb.getCapacity(), 6);
    EXPECT_EQ(sb.getGrowBy(), 200);

    StringBuffer null(static_cast<const char*>(nullptr));
    EXPECT_EQ(null.getSize(), 0);
    EXPECT_EQ(null.getCapacity(), 4);
}

TEST(StringBufferConstruct, CopyTakesSourceLengthAndDefaultIncrement) {
    StringBuffer src(1000);
    src.appendN("ab\0cd", 5);
    StringBuffer copy(src);
    EXPECT_EQ(copy.getSize(), 5);
    EXPECT_EQ(copy.getCapacity(), 6);
    EXPECT_EQ(copy.getGrowBy(), 200);
    EXPECT_EQ(Text(copy), std::string("ab\0cd", 5));
}

TEST(StringBufferConstruct, FromBytesAndFromCapacity) {
    const unsigned char bytes[] = {'x', 'y', 'z', 'w'};
    StringBuffer three(bytes, 3, 0);
    EXPECT_EQ(Text(three), "xyz");
    EXPECT_EQ(three.getCapacity(), 4);
    EXPECT_EQ(three.getGrowBy(), 200);
    StringBuffer custom(bytes, 2, 64);
    EXPECT_EQ(custom.getGrowBy(), 64);

    StringBuffer sized(500);
    EXPECT_EQ(sized.getCapacity(), 500);
    EXPECT_EQ(sized.getGrowBy(), 500);
    StringBuffer zero(0);
    EXPECT_EQ(zero.getCapacity(), 200);
    EXPECT_EQ(zero.getGrowBy(), 200);
}

// ---- Growth ----

struct Reallocation {
    int lengthBefore;
    int capacity;
    int growBy;
};

TEST(StringBufferGrowth, OneByteAppendsFollowTheSizeRule) {
    StringBuffer sb;
    std::vector<Reallocation> seen;
    for (int i = 0; i < 1000; ++i) {
        int before = sb.getCapacity();
        sb.appendChar('x');
        if (sb.getCapacity() != before)
            seen.push_back({i, sb.getCapacity(), sb.getGrowBy()});
    }
    // New block: G + L + 1 + 1; then G becomes half of it.
    const Reallocation expected[] = {{199, 401, 200}, {400, 602, 301}, {601, 904, 452}, {903, 1357, 678}};
    ASSERT_EQ(seen.size(), std::size(expected));
    for (size_t i = 0; i < seen.size(); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(seen[i].lengthBefore, expected[i].lengthBefore);
        EXPECT_EQ(seen[i].capacity, expected[i].capacity);
        EXPECT_EQ(seen[i].growBy, expected[i].growBy);
    }
    EXPECT_EQ(sb.getSize(), 1000);
    EXPECT_EQ(sb.lastChar(), 'x');
}

TEST(StringBufferGrowth, RawAppendHasNoTerminatorSlack) {
    StringBuffer sb;
    sb.appendCharN('a', 199);
    EXPECT_EQ(sb.getCapacity(), 200);
    sb.appendN("b", 1);
    EXPECT_EQ(sb.getCapacity(), 200 + 199 + 1);
    EXPECT_EQ(sb.getGrowBy(), 200);
    EXPECT_EQ(sb.lastChar(), 'b');
}

TEST(StringBufferGrowth, IncrementIsCappedAtHalfAMillion) {
    StringBuffer sb(400000);
    sb.appendCharN('a', 400000);
    EXPECT_EQ(sb.getCapacity(), 800001);
    EXPECT_EQ(sb.getGrowBy(), 400000);
    sb.appendCharN('b', 400001);
    EXPECT_EQ(sb.getCapacity(), 400000 + 800001 + 1);
    EXPECT_EQ(sb.getGrowBy(), 500000);
    sb.appendCharN('c', 500000);
    EXPECT_EQ(sb.getCapacity(), 500000 + 1300001 + 1);
    EXPECT_EQ(sb.getGrowBy(), 500000);
    EXPECT_EQ(sb.getSize(), 1300001);
}

TEST(StringBufferGrowth, PrependAndExpectKeepTheIncrement) {
    StringBuffer sb;
    sb.appendCharN('b', 150);
    sb.prepend(std::string(60, 'a').c_str());
    EXPECT_EQ(sb.getCapacity(), 200 + 210 + 1);
    EXPECT_EQ(sb.getGrowBy(), 200);
    EXPECT_EQ(sb.charAt(59), 'a');
    EXPECT_EQ(sb.charAt(60), 'b');

    StringBuffer reserve;
    reserve.expectNumBytes(199);
    EXPECT_EQ(reserve.getCapacity(), 200);
    reserve.expectNumBytes(300);
    EXPECT_EQ(reserve.getCapacity(), 501);
    EXPECT_EQ(reserve.getGrowBy(), 200);
    reserve.appendCharN('z', 300);
    EXPECT_EQ(reserve.getCapacity(), 501);
}

// ---- Appending ----

TEST(StringBufferAppend, NullAndEmptyChangeNothing) {
    StringBuffer sb("ab");
    sb.append(nullptr);
    sb.append("");
    sb.appendCharN('x', 0);
    sb.appendCharN('x', -3);
    sb.appendN(nullptr, 4);
    sb.appendN("zz", 0);
    sb.prepend(nullptr);
    sb.prepend("");
    EXPECT_EQ(Text(sb), "ab");
    EXPECT_EQ(sb.getCapacity(), 3);
}

TEST(StringBufferAppend, TextOfItsOwnSurvivesReallocation) {
    StringBuffer sb("abc");
    sb.append(sb.getString());
    EXPECT_EQ(Text(sb), "abcabc");
    sb.appendSb(sb);
    EXPECT_EQ(Text(sb), "abcabcabcabc");
    StringBuffer front("xy");
    front.prepend(front.getString() + 1);
    EXPECT_EQ(Text(front), "yxy");
}

TEST(StringBufferAppend, IntegersAndRawBytes) {
    StringBuffer sb;
    sb.appendInt(0);
    sb.appendChar(' ');
    sb.appendInt(-123);
    sb.appendChar(' ');
    sb.appendInt(INT_MIN);
    EXPECT_EQ(Text(sb), "0 -123 -2147483648");

    StringBuffer raw;
    raw.appendN("a\0b", 3);
    EXPECT_EQ(raw.getSize(), 3);
    EXPECT_EQ(raw.charAt(2), 'b');
    EXPECT_EQ(raw.getString()[3], 0);
}

struct HexCase {
    std::vector<unsigned char> bytes;
    const char* expected;
};

TEST(StringBufferAppend, HexDumpLayout) {
    std::vector<unsigned char> sixteen;
    for (int i = 0; i < 16; ++i)
        sixteen.push_back(static_cast<unsigned char>(i));
    std::vector<unsigned char> seventeen = sixteen;
    seventeen.push_back(0xFF);
    const HexCase cases[] = {
        {{}, ""},
        {{0x00}, "00"},
        {{0xAB, 0x01}, "AB01 "},
        {{1, 2, 3}, "0102 03"},
        {sixteen, "0001 0203 0405 0607 0809 0A0B 0C0D 0E0F \n"},
        {seventeen, "0001 0203 0405 0607 0809 0A0B 0C0D 0E0F \nFF"},
    };
    for (const HexCase& c : cases) {
        StringBuffer sb;
        sb.appendHexDump(c.bytes.data(), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(Text(sb), c.expected);
    }
}

TEST(StringBufferAppend, LastErrorIsTrimmedMessage) {
    StringBuffer sb("  ");
    errno = ENOENT;
    sb.appendLastError();
    EXPECT_EQ(Text(sb), std::strerror(ENOENT));
}

// ---- Setting and clearing ----

TEST(StringBufferSet, SetStringFromInsideItself) {
    StringBuffer sb("hello world");
    int capacity = sb.getCapacity();
    sb.setString(sb.getString() + 6);
    EXPECT_EQ(Text(sb), "world");
    sb.setString(sb.getString());
    EXPECT_EQ(Text(sb), "world");
    EXPECT_EQ(sb.getCapacity(), capacity);
    sb.setString(nullptr);
    EXPECT_EQ(Text(sb), "");
}

TEST(StringBufferSet, SetSbAndAssignment) {
    StringBuffer a("first");
    StringBuffer b("a much longer second text");
    a.setSb(b);
    EXPECT_EQ(Text(a), "a much longer second text");
    a.setSb(a);
    EXPECT_EQ(Text(a), "a much longer second text");
    StringBuffer c;
    c = StringBuffer("assigned");
    EXPECT_EQ(Text(c), "assigned");
    b.clear();
    EXPECT_EQ(b.getSize(), 0);
    EXPECT_EQ(b.getCapacity(), 26);
}

TEST(StringBufferSet, TakeStringHandsOverTheBlock) {
    StringBuffer sb(50);
    sb.append("abc");
    int len = -1;
    char* block = sb.takeString(&len);
    EXPECT_STREQ(block, "abc");
    EXPECT_EQ(len, 3);
    delete[] block;
    EXPECT_EQ(sb.getSize(), 0);
    EXPECT_EQ(sb.getCapacity(), 50);
    sb.append("again");
    delete[] sb.takeString(nullptr);
    EXPECT_STREQ(sb.getString(), "");
}

TEST(StringBufferSet, MinimizeMemoryOnlyWhenMoreThanFourSpare) {
    struct Case {
        int capacity;
        const char* text;
        int expectedCapacity;
    };
    const Case cases[] = {{200, "abc", 4}, {8, "abcd", 8}, {9, "abcd", 5}, {200, "", 1}};
    for (const Case& c : cases) {
        StringBuffer sb(c.capacity);
        sb.append(c.text);
        sb.minimizeMemory();
        EXPECT_EQ(sb.getCapacity(), c.expectedCapacity) << c.text << " in " << c.capacity;
        EXPECT_STREQ(sb.getString(), c.text);
    }
}

// ---- Editing in place ----

struct EditCase {
    const char* input;
    const char* expected;
};

void PrintTo(const EditCase& c, std::ostream* os) {
    *os << "'" << c.input << "'";
}

class StringBufferTrimTest : public testing::TestWithParam<EditCase> {};

TEST_P(StringBufferTrimTest, Trim) {
    StringBuffer sb(GetParam().input);
    sb.trim();
    EXPECT_EQ(Text(sb), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(StringBuffer, StringBufferTrimTest,
                         testing::Values(EditCase{"   ", ""}, EditCase{"\xA0x\xA0", "x"},
                                         EditCase{" \t\r\n a b \n", "a b"}, EditCase{"", ""},
                                         EditCase{"x", "x"}, EditCase{"\v x", "\v x"}, EditCase{"a  ", "a"},
                                         EditCase{"  a", "a"}));

class StringBufferDecorationTest : public testing::TestWithParam<EditCase> {};

TEST_P(StringBufferDecorationTest, TrimDecoration) {
    StringBuffer sb(GetParam().input);
    sb.trimDecoration();
    EXPECT_EQ(Text(sb), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(StringBuffer, StringBufferDecorationTest,
                         testing::Values(EditCase{"--*hello*--", "hello"}, EditCase{"'\"@/x/@\"'", "x"},
                                         EditCase{"-_-", "_"}, EditCase{"- a -", " a "}, EditCase{"----", ""},
                                         EditCase{"a-b", "a-b"}));

class StringBufferCollapseTest : public testing::TestWithParam<EditCase> {};

TEST_P(StringBufferCollapseTest, CollapseWhitespace) {
    StringBuffer sb(GetParam().input);
    sb.collapseWhitespace();
    EXPECT_EQ(Text(sb), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(StringBuffer, StringBufferCollapseTest,
                         testing::Values(EditCase{"a  b", "a b"}, EditCase{"  a\t\t b\r\n", " a b "},
                                         EditCase{"\xA0\xA0x", " x"}, EditCase{"", ""},
                                         EditCase{"abc", "abc"}, EditCase{"a\n\nb\tc", "a b c"}));

TEST(StringBufferEdit, RemoveAndTruncate) {
    StringBuffer sb("a.b.c.d");
    sb.removeCharFrom('.', 3);
    EXPECT_EQ(Text(sb), "a.bcd");
    sb.removeCharFrom('.', 5);
    sb.removeCharFrom('.', -1);
    EXPECT_EQ(Text(sb), "a.bcd");
    sb.removeChar('.');
    EXPECT_EQ(Text(sb), "abcd");

    StringBuffer kv("key=value=x");
    kv.truncateAtChar('#');
    EXPECT_EQ(Text(kv), "key=value=x");
    kv.truncateAtChar('=');
    EXPECT_EQ(Text(kv), "key");

    StringBuffer s("abcdef");
    s.shorten(0);
    s.shorten(-2);
    EXPECT_EQ(Text(s), "abcdef");
    s.shorten(2);
    EXPECT_EQ(Text(s), "abcd");
    s.shorten(100);
    EXPECT_EQ(Text(s), "");
}

TEST(StringBufferEdit, RemoveChunkBounds) {
    struct Case {
        int start;
        int n;
        const char* expected;
    };
    const Case cases[] = {
        {1, 2, "adef"},    {0, 6, ""},
        {5, 1, "abcde"},   {5, 2, "abcdef"},
        {6, 0, "abcdef"},  {-1, 2, "abcdef"},
        {2, 0, "abcdef"},  {2, INT_MAX, "abcdef"},
        {0, -1, "abcdef"}, {INT_MAX, 1, "abcdef"},
    };
    for (const Case& c : cases) {
        StringBuffer sb("abcdef");
        sb.removeChunk(c.start, c.n);
        EXPECT_EQ(Text(sb), c.expected) << c.start << "," << c.n;
    }
}

TEST(StringBufferEdit, ReplaceCharSets) {
    StringBuffer sb("a-b_c.d e,f");
    sb.replaceChar('-', '=');
    EXPECT_EQ(Text(sb), "a=b_c.d e,f");
    const char five[5] = {'_', '.', ' ', ',', 'x'};
    sb.replaceAnyOf5(five, '+');
    EXPECT_EQ(Text(sb), "a=b+c+d+e+f");
    const char twenty[20] = {'a', 'b', 'c', 'd', 'e', 'f', 'g', 'h', 'i', 'j',
                             'k', 'l', 'm', 'n', 'o', 'p', 'q', 'r', 's', 't'};
    sb.replaceAnyOf20(twenty, '#');
    EXPECT_EQ(Text(sb), "#=#+#+#+#+#");
}

TEST(StringBufferEdit, ReplaceFirst) {
    StringBuffer sb("hello world");
    EXPECT_TRUE(sb.replaceFirst("o", "0"));
    EXPECT_EQ(Text(sb), "hell0 world");
    EXPECT_FALSE(sb.replaceFirst(nullptr, "x"));
    EXPECT_FALSE(sb.replaceFirst("", "x"));
    EXPECT_FALSE(sb.replaceFirst("zzz", "x"));
    EXPECT_TRUE(sb.replaceFirst("world", nullptr));
    EXPECT_EQ(Text(sb), "hell0 world");
    EXPECT_TRUE(sb.replaceFirst("hell0 ", ""));
    EXPECT_EQ(Text(sb), "world");

    StringBuffer tight("ab");
    EXPECT_TRUE(tight.replaceFirst("a", "xyz"));
    EXPECT_EQ(Text(tight), "xyzb");
    EXPECT_TRUE(tight.replaceFirst("b", tight.getString()));
    EXPECT_EQ(Text(tight), "xyzxyzb");
}

struct ReplaceAllCase {
    const char* input;
    const char* find;
    const char* repl;
    int count;
    const char* expected;
};

void PrintTo(const ReplaceAllCase& c, std::ostream* os) {
    *os << "'" << c.input << "' " << (c.find ? c.find : "(null)") << " -> " << (c.repl ? c.repl : "(null)");
}

class StringBufferReplaceAllTest : public testing::TestWithParam<ReplaceAllCase> {};

TEST_P(StringBufferReplaceAllTest, ReplaceAll) {
    const ReplaceAllCase& c = GetParam();
    StringBuffer sb(c.input);
    EXPECT_EQ(sb.replaceAll(c.find, c.repl), c.count);
    EXPECT_EQ(Text(sb), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    StringBuffer, StringBufferReplaceAllTest,
    testing::Values(ReplaceAllCase{"aaaa", "aa", "a", 2, "aa"}, ReplaceAllCase{"aaa", "aa", "b", 1, "ba"},
                    ReplaceAllCase{"xxx", "x", "xx", 3, "xxxxxx"},
                    ReplaceAllCase{"abab", "ab", "abab", 2, "abababab"},
                    ReplaceAllCase{"a.b.c", ".", "", 2, "abc"}, ReplaceAllCase{"abc", "x", "y", 0, "abc"},
                    ReplaceAllCase{"abc", "", "y", 0, "abc"}, ReplaceAllCase{"abc", nullptr, "y", 0, "abc"},
                    ReplaceAllCase{"a-b-c", "-", nullptr, 2, "a-b-c"}, ReplaceAllCase{"", "a", "b", 0, ""}));

TEST(StringBufferEdit, ReplaceAllWithItsOwnText) {
    StringBuffer sb("abc");
    EXPECT_EQ(sb.replaceAll("b", sb.getString()), 1);
    EXPECT_EQ(Text(sb), "aabcc");
    StringBuffer grow;
    grow.appendCharN(',', 150);
    EXPECT_EQ(grow.replaceAll(",", ";;"), 150);
    EXPECT_EQ(grow.getSize(), 300);
    EXPECT_EQ(grow.countChar(';'), 300);
}

TEST(StringBufferEdit, CaseRulesPerByte) {
    StringBuffer up("abcZ\xE9\xA0\xFF\xBF\xE0");
    up.toUpperCase();
    EXPECT_EQ(Text(up), "ABCZ\xC9\xA0\xDF\xBF\xC0");
    StringBuffer low("ABCz\xC0\xDF\xC9\xA0\xBF\xE0");
    low.toLowerCase();
    EXPECT_EQ(Text(low), "abcz\xE0\xFF\xE9\xA0\xBF\xE0");
}

TEST(StringBufferEdit, XmlEntitiesAndLineEnds) {
    StringBuffer xml("a&b<c>d\"e'f &amp;");
    xml.encodeXmlEntities();
    EXPECT_EQ(Text(xml), "a&amp;b&lt;c&gt;d&quot;e'f &amp;amp;");

    StringBuffer crlf("a\nb\r\nc\rd");
    crlf.toCrlf();
    EXPECT_EQ(Text(crlf), "a\r\nb\r\ncd");
    StringBuffer lf("a\r\nb\rc\n\r\n");
    lf.toLf();
    EXPECT_EQ(Text(lf), "a\nb\rc\n\n");
}

class StringBufferPluralizeTest : public testing::TestWithParam<EditCase> {};

TEST_P(StringBufferPluralizeTest, Pluralize) {
    StringBuffer sb(GetParam().input);
    sb.pluralize();
    EXPECT_EQ(Text(sb), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(StringBuffer, StringBufferPluralizeTest,
                         testing::Values(EditCase{"box", "boxes"}, EditCase{"church", "churches"},
                                         EditCase{"city", "cities"}, EditCase{"day", "days"},
                                         EditCase{"leaf", "leaves"}, EditCase{"knife", "knives"},
                                         EditCase{"cat", "cats"}, EditCase{"bus", "bus"},
                                         EditCase{"quiz", "quizes"}, EditCase{"dish", "dishes"},
                                         EditCase{"month", "months"}, EditCase{"y", "ys"}, EditCase{"", ""}));

class StringBufferSingularizeTest : public testing::TestWithParam<EditCase> {};

TEST_P(StringBufferSingularizeTest, Singularize) {
    StringBuffer sb(GetParam().input);
    sb.singularize();
    EXPECT_EQ(Text(sb), GetParam().expected);
}

INSTANTIATE_TEST_SUITE_P(
    StringBuffer, StringBufferSingularizeTest,
    testing::Values(EditCase{"wolves", "wolf"}, EditCase{"olives", "olive"}, EditCase{"boss", "boss"},
                    EditCase{"cities", "city"}, EditCase{"boxes", "box"}, EditCase{"sizes", "size"},
                    EditCase{"shoes", "shoes"}, EditCase{"always", "always"}, EditCase{"Always", "Always"},
                    EditCase{"bus", "bus"}, EditCase{"cats", "cat"}, EditCase{"days", "day"},
                    EditCase{"1990s", "1990s"}, EditCase{"churches", "church"}, EditCase{"dozes", "doz"},
                    EditCase{"leaves", "leaf"}, EditCase{"eves", "ef"}, EditCase{"cat", "cat"},
                    EditCase{"s", ""}, EditCase{"", ""}));

// ---- Queries ----

TEST(StringBufferQuery, EqualityAndNullRules) {
    StringBuffer empty;
    StringBuffer abc("abc");
    EXPECT_TRUE(empty.equals(nullptr));
    EXPECT_FALSE(abc.equals(nullptr));
    EXPECT_TRUE(abc.equals("abc"));
    EXPECT_FALSE(abc.equals("abcd"));
    EXPECT_FALSE(abc.equals("ab"));
    EXPECT_TRUE(empty.equalsIgnoreCase(nullptr));
    EXPECT_FALSE(abc.equalsIgnoreCase(nullptr));
    EXPECT_TRUE(abc.equalsIgnoreCase("AbC"));
    EXPECT_FALSE(abc.equalsIgnoreCase("AB"));

    StringBuffer upper("ABC");
    EXPECT_TRUE(abc.equalsIgnoreCaseSb(upper));
    EXPECT_FALSE(abc.equalsSb(upper));
    EXPECT_TRUE(abc.equalsSb(StringBuffer("abc")));

    // The text comparisons stop at a NUL inside; the buffer comparisons take the whole length.
    StringBuffer inner;
    inner.appendN("ab\0c", 4);
    EXPECT_TRUE(inner.equals("ab"));
    EXPECT_FALSE(inner.equalsSb(StringBuffer("ab")));
}

TEST(StringBufferQuery, BeginsAndEndsWith) {
    struct Case {
        const char* text;
        const char* probe;
        bool begins;
        bool ends;
    };
    const Case cases[] = {
        {"abc", "ab", true, false},     {"abc", "bc", false, true},    {"abc", "", true, true},
        {"abc", nullptr, false, false}, {"abc", "xabc", false, false}, {"abc", "abcd", false, false},
        {"abc", "abc", true, true},     {"", "", true, true},          {"", "a", false, false},
    };
    for (const Case& c : cases) {
        StringBuffer sb(c.text);
        SCOPED_TRACE(std::string(c.text) + " / " + (c.probe ? c.probe : "(null)"));
        EXPECT_EQ(sb.beginsWith(c.probe), c.begins);
        EXPECT_EQ(sb.endsWith(c.probe), c.ends);
    }
}

TEST(StringBufferQuery, Contains) {
    StringBuffer sb("Hello World \xE9");
    EXPECT_TRUE(sb.containsSubstring("World"));
    EXPECT_FALSE(sb.containsSubstring("world"));
    EXPECT_FALSE(sb.containsSubstring(nullptr));
    EXPECT_TRUE(sb.containsSubstringNoCase("wORLD"));
    EXPECT_TRUE(sb.containsSubstringNoCase(""));
    EXPECT_FALSE(sb.containsSubstringNoCase("\xC9"));
    EXPECT_FALSE(sb.containsSubstringNoCase("worlds"));
    EXPECT_FALSE(sb.containsSubstringNoCase(nullptr));
    EXPECT_TRUE(sb.containsChar('W'));
    EXPECT_FALSE(sb.containsChar('w'));
    EXPECT_EQ(sb.countChar('o'), 2);
    EXPECT_EQ(sb.countChar('q'), 0);
    EXPECT_FALSE(sb.is7bit());
    EXPECT_TRUE(StringBuffer("plain").is7bit());
    EXPECT_TRUE(StringBuffer().is7bit());
}

TEST(StringBufferQuery, CharAtAndLastChar) {
    StringBuffer sb("xyz");
    EXPECT_EQ(sb.charAt(0), 'x');
    EXPECT_EQ(sb.charAt(2), 'z');
    EXPECT_EQ(sb.charAt(3), 0);
    EXPECT_EQ(sb.charAt(-1), 0);
    EXPECT_EQ(sb.lastChar(), 'z');
    EXPECT_EQ(StringBuffer().lastChar(), 0);
}

struct WildcardCase {
    const char* text;
    const char* pattern;
    bool caseSensitive;
    bool matches;
};

void PrintTo(const WildcardCase& c, std::ostream* os) {
    *os << "'" << c.text << "' ~ '" << (c.pattern ? c.pattern : "(null)") << "'";
}

class StringBufferWildcardTest : public testing::TestWithParam<WildcardCase> {};

TEST_P(StringBufferWildcardTest, Matches) {
    const WildcardCase& c = GetParam();
    StringBuffer sb(c.text);
    EXPECT_EQ(sb.matchesWildcard(c.pattern, c.caseSensitive), c.matches);
}

INSTANTIATE_TEST_SUITE_P(
    StringBuffer, StringBufferWildcardTest,
    testing::Values(WildcardCase{"", "*", true, true}, WildcardCase{"", "**", true, true},
                    WildcardCase{"", "", true, true}, WildcardCase{"", "a", true, false},
                    WildcardCase{"", "a*", true, false}, WildcardCase{"abc", "a*c", true, true},
                    WildcardCase{"abc", "*b*", true, true}, WildcardCase{"abc", "abc*", true, true},
                    WildcardCase{"abc", "", true, false}, WildcardCase{"abc", "a*d", true, false},
                    WildcardCase{"abc", "ABC", true, false}, WildcardCase{"abc", "ABC", false, true},
                    WildcardCase{"abc", "A*C", false, true}, WildcardCase{"abc", "abc", true, true},
                    WildcardCase{"abc", "ab", true, false}, WildcardCase{"abcabc", "*bc", true, true},
                    WildcardCase{"ab", "ab*b", true, false}, WildcardCase{"aXbXc", "a*b*c", true, true},
                    WildcardCase{"abc", "a**c", true, true}, WildcardCase{"abcd", "a*c", true, false},
                    WildcardCase{"www.example.com", "*.example.*", true, true},
                    WildcardCase{"abXcdXef", "*X*X*", true, true},
                    WildcardCase{"abXcd", "*X*X*", true, false}, WildcardCase{"abc", nullptr, true, false}));

TEST(StringBufferQuery, IntValueScansLeadingInteger) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"42", 42},
        {"  -17x", -17},
        {"+5", 5},
        {"abc", 0},
        {"", 0},
        {"-", 0},
        {"12 34", 12},
        {"2147483647", INT_MAX},
        {"-2147483648", INT_MIN},
        {"99999999999999999999", INT_MAX},
        {"-99999999999999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StringBuffer(c.text).intValue(), c.value) << c.text;
}

// ---- Splitting ----

struct SplitCase {
    const char* text;
    char sep;
    bool quoteAware;
    bool backslashEscapes;
    std::vector<std::string> parts;
};

void PrintTo(const SplitCase& c, std::ostream* os) {
    *os << "'" << c.text << "' on '" << c.sep << "'";
}

class StringBufferSplitTest : public testing::TestWithParam<SplitCase> {};

TEST_P(StringBufferSplitTest, Split) {
    const SplitCase& c = GetParam();
    StringBuffer sb(c.text);
    ExtPtrArray out;
    sb.split(out, c.sep, c.quoteAware, c.backslashEscapes);
    for (int i = 0; i < out.getSize(); ++i) {
        auto* part = static_cast<StringBuffer*>(out.elementAt(i));
        EXPECT_EQ(part->getCapacity(), part->getSize() + 1) << "part " << i << " not shrunk";
    }
    EXPECT_EQ(TakeParts(out), c.parts);
}

INSTANTIATE_TEST_SUITE_P(
    StringBuffer, StringBufferSplitTest,
    testing::Values(SplitCase{"a,\"b,c\",d", ',', true, false, {"a", "\"b,c\"", "d"}},
                    SplitCase{"a,\"b,c\",d", ',', false, false, {"a", "\"b", "c\"", "d"}},
                    SplitCase{"a,,b", ',', false, false, {"a", "", "b"}},
                    SplitCase{"a,b,", ',', false, false, {"a", "b", ""}}, SplitCase{"", ',', true, true, {}},
                    SplitCase{",", ',', false, false, {"", ""}}, SplitCase{"abc", ',', false, false, {"abc"}},
                    SplitCase{"a\\,b,c", ',', false, true, {"a\\,b", "c"}},
                    SplitCase{"a\\,b,c", ',', false, false, {"a\\", "b", "c"}},
                    SplitCase{"x\\\",y", ',', true, true, {"x\\\"", "y"}},
                    SplitCase{"x\\\",y", ',', true, false, {"x\\\",y"}},
                    SplitCase{"abc\\", ',', false, true, {"abc\\"}},
                    SplitCase{"a b  c", ' ', false, false, {"a", "b", "", "c"}}));

struct SplitSubCase {
    const char* text;
    const char* sep;
    int maxParts;
    std::vector<std::string> parts;
};

void PrintTo(const SplitSubCase& c, std::ostream* os) {
    *os << "'" << c.text << "' on '" << c.sep << "' max " << c.maxParts;
}

class StringBufferSplitSubTest : public testing::TestWithParam<SplitSubCase> {};

TEST_P(StringBufferSplitSubTest, SplitOnSubstring) {
    const SplitSubCase& c = GetParam();
    StringBuffer sb(c.text);
    ExtPtrArray out;
    sb.splitOnSubstring(StringBuffer(c.sep), out, c.maxParts);
    EXPECT_EQ(TakeParts(out), c.parts);
}

INSTANTIATE_TEST_SUITE_P(
    StringBuffer, StringBufferSplitSubTest,
    testing::Values(SplitSubCase{"a::b::c", "::", 0, {"a", "b", "c"}},
                    SplitSubCase{"::a::::b::", "::", 0, {"a", "b"}},
                    SplitSubCase{"a::b::c", "::", 2, {"a", "b"}}, SplitSubCase{"::a::b", "::", 1, {"a"}},
                    SplitSubCase{"abc", "::", 0, {"abc"}}, SplitSubCase{"", "::", 0, {}},
                    SplitSubCase{"::::", "::", 0, {}}, SplitSubCase{"a:b", "::", 0, {"a:b"}},
                    SplitSubCase{"a:::b", "::", 0, {"a", ":b"}}, SplitSubCase{"abc", "", 0, {"abc"}}));

struct NameValueCase {
    const char* line;
    const char* name;
    const char* value;
};

TEST(StringBufferSplit, NameValue) {
    const NameValueCase cases[] = {
        {"  name = value ", "name", "value"},
        {"key=\"quoted value\"", "key", "quoted value"},
        {"novalue", "novalue", ""},
        {"a = \" x \" ", "a", "x "},
        {"\r\n\tk\t=\t\r\nv", "k", "v"},
        {"=v", "", "v"},
        {"k=", "k", ""},
        {"k=a=b", "k", "a=b"},
        {"", "", ""},
    };
    for (const NameValueCase& c : cases) {
        StringBuffer name("junk");
        StringBuffer value("junk");
        StringBuffer(c.line).splitNameValue(name, value);
        EXPECT_EQ(Text(name), c.name) << c.line;
        EXPECT_EQ(Text(value), c.value) << c.line;
    }
}

TEST(StringBufferSplit, NameValueIntoItself) {
    StringBuffer line("host = example.com");
    StringBuffer value;
    line.splitNameValue(line, value);
    EXPECT_EQ(Text(line), "host");
    EXPECT_EQ(Text(value), "example.com");
}

// ---- Files ----

// Records what a failing load reports.
class RecordingLog : public LogBase {
public:
    bool LogError(const char* text) override {
        errors.emplace_back(text);
        return true;
    }
    bool LogData(const char* name, const char* value) override {
        data.emplace_back(name, value);
        return true;
    }
    bool LogDataLong(const char* name, int value) override {
        data.emplace_back(name, std::to_string(value));
        return true;
    }
    bool hasData(const char* name) const {
        for (const auto& item : data) {
            if (item.first == name)
                return true;
        }
        return false;
    }

    std::vector<std::string> errors;
    std::vector<std::pair<std::string, std::string>> data;
};

class StringBufferFileTest : public testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/string_buffer_test.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        m_dir = tmpl;
    }
    void TearDown() override {
        for (const std::string& path : m_files)
            std::remove(path.c_str());
        rmdir(m_dir.c_str());
    }
    std::string write(const char* name, const std::string& content) {
        std::string path = m_dir + "/" + name;
        FILE* f = std::fopen(path.c_str(), "wb");
        EXPECT_NE(f, nullptr);
        if (f != nullptr) {
            std::fwrite(content.data(), 1, content.size(), f);
            std::fclose(f);
        }
        m_files.push_back(path);
        return path;
    }

    std::string m_dir;
    std::vector<std::string> m_files;
};

TEST_F(StringBufferFileTest, ByteOrderMarks) {
    struct Case {
        const char* name;
        std::string content;
        std::string expected;
    };
    const Case cases[] = {
        {"plain", "hello\r\n", "hello\r\n"},
        {"empty", "", ""},
        {"utf8bom", "\xEF\xBB\xBFh\xC3\xA9", "h\xC3\xA9"},
        {"le", std::string("\xFF\xFEh\0i\0\xE9\0\x3D\xD8\x00\xDE", 12), "hi\xC3\xA9\xF0\x9F\x98\x80"},
        {"be", std::string("\xFE\xFF\0h\0i\x20\xAC", 8), "hi\xE2\x82\xAC"},
        {"le_unpaired_high", std::string("\xFF\xFE\x00\xD8\x41\x00", 6),
         "\xEF\xBF\xBD"
         "A"},
        {"le_lone_low", std::string("\xFF\xFE\x00\xDC", 4), "\xEF\xBF\xBD"},
        {"le_high_at_end", std::string("\xFF\xFE\x41\x00\x00\xD8", 6), "A\xEF\xBF\xBD"},
        {"le_odd_byte", std::string("\xFF\xFE\x41\x00\x42", 5), "A\xEF\xBF\xBD"},
        {"le_bom_only", "\xFF\xFE", ""},
        {"nearly_bom", "\xEF\xBBx", "\xEF\xBBx"},
    };
    for (const Case& c : cases) {
        std::string path = write(c.name, c.content);
        StringBuffer sb("previous text");
        ASSERT_TRUE(sb.loadFromFile(path.c_str(), nullptr)) << c.name;
        EXPECT_EQ(Text(sb), c.expected) << c.name;
        EXPECT_LT(sb.getSize(), sb.getCapacity());
    }
}

TEST_F(StringBufferFileTest, FileUrlAndBarInPath) {
    std::string path = write("c:data.txt", "content");
    StringBuffer sb;
    EXPECT_TRUE(sb.loadFromFile(("file:///" + m_dir + "/c|data.txt").c_str(), nullptr));
    EXPECT_EQ(Text(sb), "content");
}

TEST_F(StringBufferFileTest, MissingFileFailsAndKeepsText) {
    RecordingLog log;
    StringBuffer sb("unchanged");
    std::string missing = m_dir + "/absent.txt";
    EXPECT_FALSE(sb.loadFromFile(missing.c_str(), &log));
    EXPECT_EQ(Text(sb), "unchanged");
    ASSERT_FALSE(log.errors.empty());
    EXPECT_EQ(log.errors.back(), "Failed to get file size");
    EXPECT_TRUE(log.hasData("filename"));
    EXPECT_FALSE(sb.loadFromFile(missing.c_str(), nullptr));
    EXPECT_FALSE(sb.loadFromFile(nullptr, nullptr));
}

// ---- Liveness ----

// These helpers use a destroyed buffer on purpose. The sanitizer's dynamic-type check would stop
// the call before the buffer's own check could, so it is left out for them.
__attribute__((no_sanitize("vptr"))) void AppendToDead(StringBuffer* sb) {
    sb->append("x");
}
__attribute__((no_sanitize("vptr"))) void ClearDead(StringBuffer* sb) {
    sb->clear();
}
__attribute__((no_sanitize("vptr"))) void ReadDead(StringBuffer* sb) {
    std::puts(sb->getString());
}
__attribute__((no_sanitize("vptr"))) void TrimDead(StringBuffer* sb) {
    sb->trim();
}
__attribute__((no_sanitize("vptr"))) void CompareDead(StringBuffer* sb) {
    std::printf("%d", sb->equals("a"));
}
__attribute__((no_sanitize("vptr"))) void CopyDead(StringBuffer* sb) {
    StringBuffer other;
    other.setSb(*sb);
}

class StringBufferDeathTest : public testing::Test {
protected:
    StringBuffer* makeDestroyed() {
        auto* sb = new (m_storage) StringBuffer("alive");
        sb->~StringBuffer();
        return sb;
    }
    alignas(StringBuffer) unsigned char m_storage[sizeof(StringBuffer)];
};

TEST_F(StringBufferDeathTest, UseAfterDestructionStopsTheProcess) {
    StringBuffer* dead = makeDestroyed();
    EXPECT_EXIT(AppendToDead(dead), testing::KilledBySignal(SIGABRT), "liveness marker");
    EXPECT_EXIT(ClearDead(dead), testing::KilledBySignal(SIGABRT), "liveness marker");
    EXPECT_EXIT(ReadDead(dead), testing::KilledBySignal(SIGABRT), "liveness marker");
    EXPECT_EXIT(TrimDead(dead), testing::KilledBySignal(SIGABRT), "liveness marker");
    EXPECT_EXIT(CompareDead(dead), testing::KilledBySignal(SIGABRT), "liveness marker");
    EXPECT_EXIT(CopyDead(dead), testing::KilledBySignal(SIGABRT), "liveness marker");
}

TEST_F(StringBufferDeathTest, DestructorPoisonsFieldsAndClearsMarker) {
    std::memset(m_storage, 0, sizeof(m_storage));
    auto* sb = new (m_storage) StringBuffer("alive");
    auto count = [this](unsigned char value) {
        int n = 0;
        for (unsigned char byte : m_storage)
            n += byte == value ? 1 : 0;
        return n;
    };
    int markersAlive = count(0xAA);
    sb->~StringBuffer();
    EXPECT_LT(count(0xAA), markersAlive);
    // Text pointer, capacity, length and increment.
    EXPECT_GE(count(0xDD), static_cast<int>(sizeof(char*) + 3 * sizeof(int32_t)));
}

TEST_F(StringBufferDeathTest, LiveBufferPassesTheCheck) {
    auto* sb = new (m_storage) StringBuffer("alive");
    sb->append("!");
    EXPECT_EQ(Text(*sb), "alive!");
    sb->~StringBuffer();
}

} // namespace
