#include "base/string_buffer.h"

#include "base/ext_ptr_array.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <climits>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <memory>
#include <new>
#include <string>
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

TEST(StringBufferConstruct, FromTextAndFromNull) {
    EXPECT_EQ(Text(StringBuffer("hello")), "hello");
    EXPECT_EQ(Text(StringBuffer(static_cast<const char*>(nullptr))), "");
}

// Empty buffers share one never-written text; every edit of an empty one must leave it alone.
TEST(StringBufferConstruct, EmptyHoldsNoBlockThroughEdits) {
    const std::function<void(StringBuffer&)> edits[] = {
        [](StringBuffer& sb) { sb.clear(); },          [](StringBuffer& sb) { sb.trim(); },
        [](StringBuffer& sb) { sb.shorten(3); },       [](StringBuffer& sb) { sb.collapseWhitespace(); },
        [](StringBuffer& sb) { sb.toLowerCase(); },    [](StringBuffer& sb) { sb.replaceAll("a", "b"); },
        [](StringBuffer& sb) { sb.removeChar('a'); },  [](StringBuffer& sb) { sb.truncateAtChar('a'); },
        [](StringBuffer& sb) { sb.trimDecoration(); }, [](StringBuffer& sb) { sb.minimizeMemory(); },
        [](StringBuffer& sb) { sb.setString(""); },    [](StringBuffer& sb) { sb.setSb(StringBuffer()); },
    };
    for (size_t i = 0; i < std::size(edits); ++i) {
        SCOPED_TRACE(i);
        StringBuffer sb;
        StringBuffer copy(sb);
        edits[i](sb);
        edits[i](copy);
        EXPECT_EQ(sb.getCapacity(), 0);
        EXPECT_EQ(copy.getCapacity(), 0);
        EXPECT_EQ(Text(sb), "");
        sb.append("x");
        EXPECT_EQ(Text(sb), "x");
    }
    StringBuffer taken;
    int len = -1;
    std::unique_ptr<char[]> block(taken.takeString(&len));
    EXPECT_EQ(len, 0);
    EXPECT_EQ(block[0], 0);
}

// ---- Growth ----

TEST(StringBufferGrowth, TextSurvivesEveryReallocation) {
    StringBuffer sb;
    for (int i = 0; i < 1000; ++i)
        sb.appendChar(static_cast<char>('a' + i % 26));
    sb.appendN("!", 1);
    ASSERT_EQ(sb.getSize(), 1001);
    for (int i = 0; i < 1000; ++i)
        ASSERT_EQ(sb.charAt(i), 'a' + i % 26) << i;
    EXPECT_EQ(sb.getString()[1001], 0);

    StringBuffer front;
    front.appendCharN('b', 150);
    front.prepend(std::string(60, 'a').c_str());
    EXPECT_EQ(Text(front), std::string(60, 'a') + std::string(150, 'b'));

    StringBuffer reserved;
    reserved.expectNumBytes(300);
    const char* block = reserved.getString();
    reserved.appendCharN('z', 300);
    EXPECT_EQ(reserved.getString(), block) << "the reserved room was not used";
}

// 32 MB in 64 KB pieces: a fixed increment past its cap would move the block about 60 times.
TEST(StringBufferGrowth, LargeTextsMoveALogarithmicNumberOfTimes) {
    const std::string piece(64 * 1024, 'p');
    StringBuffer sb;
    int moves = 0;
    for (int i = 0; i < 512; ++i) {
        const char* before = sb.getString();
        sb.appendN(piece.data(), static_cast<int>(piece.size()));
        moves += sb.getString() != before;
    }
    EXPECT_EQ(sb.getSize(), 512 * 64 * 1024);
    EXPECT_LT(moves, 40);
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
        {{1, 2, 3}, "0102 03"},
        {seventeen, "0001 0203 0405 0607 0809 0A0B 0C0D 0E0F \nFF"},
    };
    for (const HexCase& c : cases) {
        StringBuffer sb;
        sb.appendHexDump(c.bytes.data(), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(Text(sb), c.expected);
    }
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

// ---- Editing in place ----

TEST(StringBufferEdit, WholeTextTransforms) {
    const std::map<std::string, void (StringBuffer::*)()> edits = {
        {"trim", &StringBuffer::trim},
        {"trimDecoration", &StringBuffer::trimDecoration},
        {"collapseWhitespace", &StringBuffer::collapseWhitespace},
        {"toUpperCase", &StringBuffer::toUpperCase},
        {"toLowerCase", &StringBuffer::toLowerCase},
        {"encodeXmlEntities", &StringBuffer::encodeXmlEntities},
        {"toCrlf", &StringBuffer::toCrlf},
        {"toLf", &StringBuffer::toLf},
        {"pluralize", &StringBuffer::pluralize},
        {"singularize", &StringBuffer::singularize},
    };
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/string_buffer_edits.txt", 3)) {
        ASSERT_EQ(edits.count(c[0]), 1u) << c[0];
        StringBuffer sb(c[1].c_str());
        (sb.*edits.at(c[0]))();
        EXPECT_EQ(Text(sb), c[2]) << c[0] << " '" << c[1] << "'";
    }
}

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
    kv.truncateAtChar('=');
    EXPECT_EQ(Text(kv), "key");

    StringBuffer s("abcdef");
    s.shorten(-2);
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
        {1, 2, "adef"},         {0, 6, ""},        {5, 1, "abcde"},
        {5, 2, "abcdef"},       {-1, 2, "abcdef"}, {2, INT_MAX, "abcdef"},
        {INT_MAX, 1, "abcdef"},
    };
    for (const Case& c : cases) {
        StringBuffer sb("abcdef");
        sb.removeChunk(c.start, c.n);
        EXPECT_EQ(Text(sb), c.expected) << c.start << "," << c.n;
    }
}

TEST(StringBufferEdit, ReplaceFirst) {
    StringBuffer sb("hello world");
    EXPECT_TRUE(sb.replaceFirst("o", "0"));
    EXPECT_EQ(Text(sb), "hell0 world");
    EXPECT_FALSE(sb.replaceFirst("", "x"));
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

TEST(StringBufferEdit, ReplaceAll) {
    struct Case {
        const char* input;
        const char* find;
        const char* repl;
        int count;
        const char* expected;
    };
    const Case cases[] = {
        {"aaaa", "aa", "a", 2, "aa"}, {"xxx", "x", "xx", 3, "xxxxxx"}, {"a.b.c", ".", "", 2, "abc"},
        {"abc", "", "y", 0, "abc"},   {"abc", nullptr, "y", 0, "abc"}, {"a-b-c", "-", nullptr, 2, "a-b-c"},
    };
    for (const Case& c : cases) {
        StringBuffer sb(c.input);
        EXPECT_EQ(sb.replaceAll(c.find, c.repl), c.count) << c.input;
        EXPECT_EQ(Text(sb), c.expected) << c.input;
    }
}

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

// ---- Queries ----

TEST(StringBufferQuery, EqualityAndNullRules) {
    StringBuffer empty;
    StringBuffer abc("abc");
    EXPECT_TRUE(empty.equals(nullptr));
    EXPECT_FALSE(abc.equals(nullptr));
    EXPECT_TRUE(abc.equals("abc"));
    EXPECT_FALSE(abc.equals("ab"));
    EXPECT_TRUE(empty.equalsIgnoreCase(nullptr));
    EXPECT_FALSE(abc.equalsIgnoreCase(nullptr));
    EXPECT_TRUE(abc.equalsIgnoreCase("AbC"));

    StringBuffer upper("ABC");
    EXPECT_TRUE(abc.equalsIgnoreCaseSb(upper));
    EXPECT_FALSE(abc.equalsSb(upper));

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
        {"abc", nullptr, false, false}, {"abc", "xabc", false, false}, {"", "a", false, false},
    };
    for (const Case& c : cases) {
        StringBuffer sb(c.text);
        SCOPED_TRACE(std::string(c.text) + " / " + (c.probe ? c.probe : "(null)"));
        EXPECT_EQ(sb.beginsWith(c.probe), c.begins);
        EXPECT_EQ(sb.endsWith(c.probe), c.ends);
    }
}

TEST(StringBufferQuery, MatchesWildcard) {
    struct Case {
        const char* text;
        const char* pattern;
        bool caseSensitive;
        bool matches;
    };
    const Case cases[] = {
        {"", "**", true, true},        {"", "a*", true, false},           {"abc", "abc*", true, true},
        {"abc", "", true, false},      {"abc", "ABC", true, false},       {"abc", "A*C", false, true},
        {"abc", "ab", true, false},    {"abcabc", "*bc", true, true},     {"ab", "ab*b", true, false},
        {"abcd", "a*c", true, false},  {"abXcdXef", "*X*X*", true, true}, {"abXcd", "*X*X*", true, false},
        {"abc", nullptr, true, false},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(StringBuffer(c.text).matchesWildcard(c.pattern, c.caseSensitive), c.matches)
            << "'" << c.text << "' ~ '" << (c.pattern ? c.pattern : "(null)") << "'";
    }
}

TEST(StringBufferQuery, IntValueScansLeadingInteger) {
    struct Case {
        const char* text;
        int value;
    };
    const Case cases[] = {
        {"  -17x", -17},
        {"+5", 5},
        {"-", 0},
        {"-2147483648", INT_MIN},
        {"99999999999999999999", INT_MAX},
        {"-99999999999999999999", INT_MIN},
    };
    for (const Case& c : cases)
        EXPECT_EQ(StringBuffer(c.text).intValue(), c.value) << c.text;
}

// ---- Splitting ----

TEST(StringBufferSplit, SplitOnChar) {
    struct Case {
        const char* text;
        char sep;
        bool quoteAware;
        bool backslashEscapes;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"a,\"b,c\",d", ',', true, false, {"a", "\"b,c\"", "d"}},
        {"a,\"b,c\",d", ',', false, false, {"a", "\"b", "c\"", "d"}},
        {"a,,b", ',', false, false, {"a", "", "b"}},
        {"a,b,", ',', false, false, {"a", "b", ""}},
        {"", ',', true, true, {}},
        {",", ',', false, false, {"", ""}},
        {"abc", ',', false, false, {"abc"}},
        {"a\\,b,c", ',', false, true, {"a\\,b", "c"}},
        {"a\\,b,c", ',', false, false, {"a\\", "b", "c"}},
        {"x\\\",y", ',', true, true, {"x\\\"", "y"}},
        {"x\\\",y", ',', true, false, {"x\\\",y"}},
        {"abc\\", ',', false, true, {"abc\\"}},
        {"a b  c", ' ', false, false, {"a", "b", "", "c"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string("'") + c.text + "' on '" + c.sep + "'");
        ExtPtrArray out;
        StringBuffer(c.text).split(out, c.sep, c.quoteAware, c.backslashEscapes);
        for (int i = 0; i < out.getSize(); ++i) {
            auto* part = static_cast<StringBuffer*>(out.elementAt(i));
            EXPECT_EQ(part->getCapacity(), part->getSize() + 1) << "part " << i << " not shrunk";
        }
        EXPECT_EQ(TakeParts(out), c.parts);
    }
}

TEST(StringBufferSplit, SplitOnSubstring) {
    struct Case {
        const char* text;
        const char* sep;
        int maxParts;
        std::vector<std::string> parts;
    };
    const Case cases[] = {
        {"a::b::c", "::", 0, {"a", "b", "c"}},
        {"::a::::b::", "::", 0, {"a", "b"}},
        {"a::b::c", "::", 2, {"a", "b"}},
        {"::a::b", "::", 1, {"a"}},
        {"::::", "::", 0, {}},
        {"a:::b", "::", 0, {"a", ":b"}},
        {"abc", "", 0, {"abc"}},
    };
    for (const Case& c : cases) {
        ExtPtrArray out;
        StringBuffer(c.text).splitOnSubstring(StringBuffer(c.sep), out, c.maxParts);
        EXPECT_EQ(TakeParts(out), c.parts) << "'" << c.text << "' on '" << c.sep << "' max " << c.maxParts;
    }
}

TEST(StringBufferSplit, NameValue) {
    struct Case {
        const char* line;
        const char* name;
        const char* value;
    };
    const Case cases[] = {
        {"  name = value ", "name", "value"},
        {"key=\"quoted value\"", "key", "quoted value"},
        {"novalue", "novalue", ""},
        {"a = \" x \" ", "a", "x "},
        {"\r\n\tk\t=\t\r\nv", "k", "v"},
        {"=v", "", "v"},
        {"k=a=b", "k", "a=b"},
    };
    for (const Case& c : cases) {
        StringBuffer name("junk");
        StringBuffer value("junk");
        StringBuffer(c.line).splitNameValue(name, value);
        EXPECT_EQ(Text(name), c.name) << c.line;
        EXPECT_EQ(Text(value), c.value) << c.line;
    }
    // The line itself may take the name.
    StringBuffer line("host = example.com");
    StringBuffer value;
    line.splitNameValue(line, value);
    EXPECT_EQ(Text(line), "host");
    EXPECT_EQ(Text(value), "example.com");
}

// ---- Files ----

class StringBufferFileTest : public file_test::TempDirTest {};

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
        file_test::writeBytes(c.name, c.content);
        StringBuffer sb("previous text");
        ASSERT_TRUE(sb.loadFromFile(c.name, nullptr)) << c.name;
        EXPECT_EQ(Text(sb), c.expected) << c.name;
        EXPECT_LT(sb.getSize(), sb.getCapacity());
    }
}

TEST_F(StringBufferFileTest, MissingFileFailsAndKeepsText) {
    file_test::RecordingLog log;
    StringBuffer sb("unchanged");
    EXPECT_FALSE(sb.loadFromFile("absent.txt", &log));
    EXPECT_EQ(Text(sb), "unchanged");
    EXPECT_TRUE(log.hasError("Failed to get file size"));
    EXPECT_FALSE(sb.loadFromFile("absent.txt", nullptr));
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
}

} // namespace
