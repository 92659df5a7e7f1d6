#include "base/string_buffer.h"

#include "base/ext_ptr_array.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdio>
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

TEST(StringBufferConstruct, SwapExchangesTheTexts) {
    StringBuffer a("first");
    StringBuffer b;
    a.swap(b);
    EXPECT_EQ(Text(a), "");
    EXPECT_EQ(Text(b), "first");
    a.append("second");
    EXPECT_EQ(Text(a), "second");
    EXPECT_EQ(Text(b), "first");
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
    EXPECT_EQ(Text(StringBuffer(static_cast<const char*>(nullptr))), "");
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

// Every call that takes a text must work when given the buffer's own, even as its block moves.
TEST(StringBufferOwnText, SurvivesReallocation) {
    StringBuffer sb("abc");
    sb.append(sb.getString());
    EXPECT_EQ(Text(sb), "abcabc");
    sb.appendSb(sb);
    EXPECT_EQ(Text(sb), "abcabcabcabc");
    StringBuffer front("xy");
    front.prepend(front.getString() + 1);
    EXPECT_EQ(Text(front), "yxy");

    StringBuffer set("hello world");
    int capacity = set.getCapacity();
    set.setString(set.getString() + 6);
    EXPECT_EQ(Text(set), "world");
    set.setString(set.getString());
    EXPECT_EQ(Text(set), "world");
    EXPECT_EQ(set.getCapacity(), capacity);
    set.setString(nullptr);
    EXPECT_EQ(Text(set), "");

    StringBuffer tight("ab");
    EXPECT_TRUE(tight.replaceFirst("a", "xyz"));
    EXPECT_EQ(Text(tight), "xyzb");
    EXPECT_TRUE(tight.replaceFirst("b", tight.getString()));
    EXPECT_EQ(Text(tight), "xyzxyzb");

    StringBuffer all("abc");
    EXPECT_EQ(all.replaceAll("b", all.getString()), 1);
    EXPECT_EQ(Text(all), "aabcc");
    StringBuffer grow;
    grow.appendCharN(',', 150);
    EXPECT_EQ(grow.replaceAll(",", ";;"), 150);
    EXPECT_EQ(grow.getSize(), 300);
    EXPECT_EQ(grow.countChar(';'), 300);

    // The line itself may take the name.
    StringBuffer line("host = example.com");
    StringBuffer value;
    line.splitNameValue(line, value);
    EXPECT_EQ(Text(line), "host");
    EXPECT_EQ(Text(value), "example.com");
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

// ---- Calls answering from a table ----

const char* OrNull(const std::string& field) {
    return field == "(null)" ? nullptr : field.c_str();
}

std::string YesNo(bool answer) {
    return answer ? "yes" : "no";
}

// Each part in brackets, so that empty parts and a missing part tell apart.
std::string Bracketed(ExtPtrArray& arr) {
    std::string out;
    for (const std::string& part : TakeParts(arr))
        out += "[" + part + "]";
    return out;
}

using Call = std::function<std::string(StringBuffer&, const std::string&, const std::string&)>;

const std::map<std::string, Call> kCalls = {
    {"removeChunk",
     [](StringBuffer& sb, const std::string& start, const std::string& n) {
         sb.removeChunk(std::stoi(start), std::stoi(n));
         return Text(sb);
     }},
    {"replaceAll",
     [](StringBuffer& sb, const std::string& find, const std::string& repl) {
         int count = sb.replaceAll(OrNull(find), OrNull(repl));
         return std::to_string(count) + " " + Text(sb);
     }},
    {"appendInt",
     [](StringBuffer& sb, const std::string& n, const std::string&) {
         sb.appendInt(std::stoi(n));
         return Text(sb);
     }},
    {"removeCharFrom",
     [](StringBuffer& sb, const std::string& c, const std::string& start) {
         sb.removeCharFrom(c[0], std::stoi(start));
         return Text(sb);
     }},
    {"removeChar",
     [](StringBuffer& sb, const std::string& c, const std::string&) {
         sb.removeChar(c[0]);
         return Text(sb);
     }},
    {"truncateAtChar",
     [](StringBuffer& sb, const std::string& c, const std::string&) {
         sb.truncateAtChar(c[0]);
         return Text(sb);
     }},
    {"shorten",
     [](StringBuffer& sb, const std::string& n, const std::string&) {
         sb.shorten(std::stoi(n));
         return Text(sb);
     }},
    {"replaceFirst",
     [](StringBuffer& sb, const std::string& find, const std::string& repl) {
         bool replaced = sb.replaceFirst(OrNull(find), OrNull(repl));
         return YesNo(replaced) + " " + Text(sb);
     }},
    {"equals", [](StringBuffer& sb, const std::string& probe,
                  const std::string&) { return YesNo(sb.equals(OrNull(probe))); }},
    {"equalsIgnoreCase", [](StringBuffer& sb, const std::string& probe,
                            const std::string&) { return YesNo(sb.equalsIgnoreCase(OrNull(probe))); }},
    {"equalsSb", [](StringBuffer& sb, const std::string& probe,
                    const std::string&) { return YesNo(sb.equalsSb(StringBuffer(probe.c_str()))); }},
    {"equalsIgnoreCaseSb",
     [](StringBuffer& sb, const std::string& probe, const std::string&) {
         return YesNo(sb.equalsIgnoreCaseSb(StringBuffer(probe.c_str())));
     }},
    {"beginsWith", [](StringBuffer& sb, const std::string& probe,
                      const std::string&) { return YesNo(sb.beginsWith(OrNull(probe))); }},
    {"endsWith", [](StringBuffer& sb, const std::string& probe,
                    const std::string&) { return YesNo(sb.endsWith(OrNull(probe))); }},
    {"matchesWildcard",
     [](StringBuffer& sb, const std::string& pattern, const std::string& nocase) {
         return YesNo(sb.matchesWildcard(OrNull(pattern), nocase != "nocase"));
     }},
    {"intValue",
     [](StringBuffer& sb, const std::string&, const std::string&) { return std::to_string(sb.intValue()); }},
    {"split",
     [](StringBuffer& sb, const std::string& sep, const std::string& flags) {
         ExtPtrArray out;
         sb.split(out, sep[0], flags.find("quote") != std::string::npos,
                  flags.find("escape") != std::string::npos);
         for (int i = 0; i < out.getSize(); ++i) {
             auto* part = static_cast<StringBuffer*>(out.elementAt(i));
             EXPECT_EQ(part->getCapacity(), part->getSize() + 1) << "part " << i << " not shrunk";
         }
         return Bracketed(out);
     }},
    {"splitOnSubstring",
     [](StringBuffer& sb, const std::string& sep, const std::string& maxParts) {
         ExtPtrArray out;
         sb.splitOnSubstring(StringBuffer(sep.c_str()), out, std::stoi(maxParts));
         return Bracketed(out);
     }},
    {"splitNameValue",
     [](StringBuffer& sb, const std::string&, const std::string&) {
         StringBuffer name("junk");
         StringBuffer value("junk");
         sb.splitNameValue(name, value);
         return "[" + Text(name) + "][" + Text(value) + "]";
     }},
    {"hexDump",
     [](StringBuffer& sb, const std::string&, const std::string&) {
         StringBuffer dump;
         dump.appendHexDump(reinterpret_cast<const unsigned char*>(sb.getString()), sb.getSize());
         return Text(dump);
     }},
};

TEST(StringBufferCall, EachCallAnswersAsItsRowSays) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/string_buffer_calls.txt", 5)) {
        SCOPED_TRACE(c[0] + " '" + c[1] + "' '" + c[2] + "' '" + c[3] + "'");
        ASSERT_EQ(kCalls.count(c[0]), 1u);
        StringBuffer sb;
        sb.appendN(c[1].data(), static_cast<int>(c[1].size()));
        EXPECT_EQ(kCalls.at(c[0])(sb, c[2], c[3]), c[4]);
    }
}

// ---- Files ----

class StringBufferFileTest : public file_test::TempDirTest {};

TEST_F(StringBufferFileTest, ByteOrderMarks) {
    for (const case_rows::Row& c :
         case_rows::read(BASE_TEST_DATA_DIR "/string_buffer_byte_order_marks.txt", 3)) {
        file_test::writeBytes(c[0], c[1]);
        StringBuffer sb("previous text");
        ASSERT_TRUE(sb.loadFromFile(c[0].c_str(), nullptr)) << c[0];
        EXPECT_EQ(Text(sb), c[2]) << c[0];
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
