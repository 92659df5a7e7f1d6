#include "base/cls_string_array.h"

#include "base/string_buffer.h"
#include "base/string_consumer.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

std::vector<std::string> Strings(const ClsStringArray& arr) {
    std::vector<std::string> out;
    for (int i = 0; i < arr.get_Count(); ++i)
        out.emplace_back(arr.GetString(i));
    return out;
}

struct Flags {
    bool unique = false;
    bool trim = false;
    bool crlf = true;
};

void Apply(ClsStringArray& arr, const Flags& f) {
    arr.put_Unique(f.unique);
    arr.put_Trim(f.trim);
    arr.put_Crlf(f.crlf);
}

// ---- LoadFromText ----

TEST(ClsStringArrayLoad, StoresTheExpectedLines) {
    struct Case {
        const char* name;
        const char* text;
        Flags flags;
        std::vector<std::string> expected;
    };
    const Case cases[] = {
        {"CrLfAndBlankLineGiveTwo", "a\r\n\r\nb\n", {}, {"a", "b"}},
        {"CrInsideALineIsRemoved", "a\rb\n", {}, {"ab"}},
        {"OnlyLineEnds", "\r\n\n\r\r\n", {}, {}},
        {"NullText", nullptr, {}, {}},
        {"BlanksKept", "   \n b \n", {}, {"   ", " b "}},
        {"BlanksTrimmed", "   \n\t\n b \n", {false, true, true}, {"b"}},
        {"UniqueDropsRepeats", "b\na\nb\nc\na\n", {true, false, true}, {"b", "a", "c"}},
        {"UniqueAfterTrim", "k\n k\nk \n", {true, true, true}, {"k"}},
        {"CaseSensitive", "Abc\nabc\n", {true, false, true}, {"Abc", "abc"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClsStringArray arr;
        Apply(arr, c.flags);
        EXPECT_TRUE(arr.LoadFromText(c.text));
        EXPECT_EQ(Strings(arr), c.expected);
        for (const std::string& line : c.expected)
            EXPECT_TRUE(arr.Contains(line.c_str())) << line;
    }
}

TEST(ClsStringArrayLoadCounts, LoadAddsToWhatIsThereAndCountsRepeats) {
    ClsStringArray arr;
    arr.Append("a");
    arr.LoadFromText("b\na\nb\nb");
    EXPECT_EQ(Strings(arr), (std::vector<std::string>{"a", "b", "a", "b", "b"}));
    EXPECT_EQ(arr.GetOccurrenceCount("a"), 2);
    EXPECT_EQ(arr.GetOccurrenceCount("b"), 3);
    EXPECT_EQ(arr.GetOccurrenceCount("d"), 0);
}

// ---- Append ----

TEST(ClsStringArrayAppend, NormalisesByTheFlags) {
    struct Case {
        const char* name;
        const char* input;
        Flags flags;
        const char* stored;
    };
    const Case cases[] = {
        {"NullIsEmpty", nullptr, {}, ""},
        {"LfBecomesCrLfByDefault", "a\nb\r\n", {}, "a\r\nb\r\n"},
        {"LoneCrIsDroppedUnderCrLf", "a\rb", {}, "ab"},
        {"CrLfBecomesLfWithCrlfOff", "a\r\nb\n", {false, false, false}, "a\nb\n"},
        {"BlanksKeptWithoutTrim", "  x ", {}, "  x "},
        {"TrimTakesLineEndsAtTheEnds", " \r\nx\ny\n ", {false, true, true}, "x\r\ny"},
        {"TrimTakesNoBreakSpace", "\xa0x\xa0", {false, true, false}, "x"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ClsStringArray arr;
        Apply(arr, c.flags);
        arr.Append(c.input);
        ASSERT_EQ(arr.get_Count(), 1);
        EXPECT_EQ(std::string(arr.GetString(0)), c.stored);
        EXPECT_EQ(arr.GetOccurrenceCount(c.stored), 1);
    }
}

TEST(ClsStringArrayTest, UniqueComparesTheNormalisedText) {
    ClsStringArray arr;
    arr.put_Unique(true);
    arr.Append("a\nb");
    arr.Append("a\r\nb");
    EXPECT_EQ(arr.get_Count(), 1);
}

// Contains takes its argument as it is: not trimmed, line ends not converted, case kept.
TEST(ClsStringArrayTest, ContainsIsExact) {
    ClsStringArray arr;
    arr.put_Trim(true);
    arr.Append("  contact ");
    arr.Append("a\nb");
    EXPECT_TRUE(arr.Contains("contact"));
    EXPECT_TRUE(arr.Contains("a\r\nb"));
    for (const char* probe : {"  contact ", "a\nb", "Contact", "contac", "contacts", ""})
        EXPECT_FALSE(arr.Contains(probe)) << probe;
}

TEST(ClsStringArrayTest, OutOfRangeIndexesAnswerNull) {
    ClsStringArray arr;
    EXPECT_EQ(arr.GetString(0), nullptr);
    arr.Append("a");
    arr.Append("b");
    EXPECT_EQ(arr.GetString(-1), nullptr);
    EXPECT_EQ(arr.GetStringSb(arr.get_Count()), nullptr);
    EXPECT_STREQ(arr.GetString(1), "b");
}

TEST(ClsStringArrayTest, StoredStringsAreShrunkToFit) {
    ClsStringArray arr;
    std::string text;
    for (int i = 0; i < 300; ++i)
        text += "line\n";
    arr.Append(text.c_str()); // CR LF conversion grows the buffer past its exact size
    arr.LoadFromText("short\nshort");
    for (int i = 0; i < arr.get_Count(); ++i) {
        const StringBuffer* sb = arr.GetStringSb(i);
        EXPECT_LE(sb->getCapacity(), sb->getSize() + 4) << i;
    }
    EXPECT_EQ(arr.GetStringSb(0)->getSize(), 300 * 6);
}

TEST(ClsStringArrayTest, ClearEmptiesStringsAndCounts) {
    ClsStringArray arr;
    arr.LoadFromText("a\nb\na");
    arr.Clear();
    EXPECT_EQ(arr.get_Count(), 0);
    EXPECT_FALSE(arr.Contains("a"));
    arr.Append("a");
    EXPECT_EQ(arr.GetOccurrenceCount("a"), 1);
}

TEST(ClsStringArrayTest, ConsumeStringIsAppend) {
    ClsStringArray arr;
    arr.put_Trim(true);
    arr.put_Unique(true);
    StringConsumer& consumer = arr;
    consumer.consumeString(" a ");
    consumer.consumeString("a");
    consumer.consumeString("b\n");
    EXPECT_EQ(Strings(arr), (std::vector<std::string>{"a", "b"}));
}

TEST(ClsStringArrayTest, DestroyedThroughTheConsumerInterface) {
    StringConsumer* consumer = new ClsStringArray();
    consumer->consumeString("kept until destruction");
    delete consumer;
}

TEST(ClsStringArrayTest, ReferenceTableSizedLoad) {
    std::string text;
    for (int i = 0; i < 4200; ++i)
        text += "entry " + std::to_string(i % 2100) + "\r\n";
    ClsStringArray arr;
    arr.LoadFromText(text.c_str());
    ASSERT_EQ(arr.get_Count(), 4200);
    EXPECT_STREQ(arr.GetString(4199), "entry 2099");
    for (int i = 0; i < 2100; ++i) {
        std::string s = "entry " + std::to_string(i);
        ASSERT_TRUE(arr.Contains(s.c_str())) << s;
        ASSERT_EQ(arr.GetOccurrenceCount(s.c_str()), 2) << s;
    }
    EXPECT_FALSE(arr.Contains("entry 2100"));
}

} // namespace
