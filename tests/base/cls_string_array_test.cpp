#include "base/cls_string_array.h"

#include "base/string_buffer.h"
#include "base/string_consumer.h"

#include <gtest/gtest.h>

#include <ostream>
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

struct LoadCase {
    const char* name;
    const char* text;
    Flags flags;
    std::vector<std::string> expected;
};

void PrintTo(const LoadCase& c, std::ostream* os) {
    *os << c.name;
}

class ClsStringArrayLoad : public ::testing::TestWithParam<LoadCase> {};

TEST_P(ClsStringArrayLoad, StoresTheExpectedLines) {
    const LoadCase& c = GetParam();
    ClsStringArray arr;
    Apply(arr, c.flags);
    EXPECT_TRUE(arr.LoadFromText(c.text));
    EXPECT_EQ(Strings(arr), c.expected);
    EXPECT_EQ(arr.get_Count(), static_cast<int>(c.expected.size()));
    for (const std::string& s : c.expected)
        EXPECT_TRUE(arr.Contains(s.c_str())) << s;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClsStringArrayLoad,
    ::testing::Values(LoadCase{"CrLfAndBlankLineGiveTwo", "a\r\n\r\nb\n", {}, {"a", "b"}},
                      LoadCase{"LfOnly", "x\ny\n\nz", {}, {"x", "y", "z"}},
                      LoadCase{"CrInsideALineIsRemoved", "a\rb\n", {}, {"ab"}},
                      LoadCase{"OnlyLineEnds", "\r\n\n\r\r\n", {}, {}}, LoadCase{"EmptyText", "", {}, {}},
                      LoadCase{"NullText", nullptr, {}, {}},
                      LoadCase{"LeadingBlanksKept", "  a\n b \n", {}, {"  a", " b "}},
                      LoadCase{"LeadingBlanksTrimmed", "  a\n b \n", {false, true, true}, {"a", "b"}},
                      LoadCase{"LineOfBlanksKept", "   \nq", {}, {"   ", "q"}},
                      LoadCase{"LineOfBlanksDroppedWhenTrimmed", "   \n\t\nq", {false, true, true}, {"q"}},
                      LoadCase{"OrderAndDuplicatesKept", "b\na\nb\nc\na\n", {}, {"b", "a", "b", "c", "a"}},
                      LoadCase{"UniqueDropsRepeats", "b\na\nb\nc\na\n", {true, false, true}, {"b", "a", "c"}},
                      LoadCase{"UniqueAfterTrim", "k\n k\nk \n", {true, true, true}, {"k"}},
                      LoadCase{"CaseSensitive", "Abc\nabc\n", {true, false, true}, {"Abc", "abc"}}),
    [](const ::testing::TestParamInfo<LoadCase>& info) { return std::string(info.param.name); });

TEST(ClsStringArrayLoadCounts, DuplicateLinesAreCounted) {
    ClsStringArray arr;
    arr.LoadFromText("b\na\nb\nc\nb\n");
    EXPECT_EQ(arr.GetOccurrenceCount("b"), 3);
    EXPECT_EQ(arr.GetOccurrenceCount("a"), 1);
    EXPECT_EQ(arr.GetOccurrenceCount("d"), 0);
}

TEST(ClsStringArrayLoadCounts, LoadAddsToWhatIsThere) {
    ClsStringArray arr;
    arr.Append("a");
    arr.LoadFromText("b\na");
    EXPECT_EQ(Strings(arr), (std::vector<std::string>{"a", "b", "a"}));
    EXPECT_EQ(arr.GetOccurrenceCount("a"), 2);
}

// ---- Append ----

struct AppendCase {
    const char* name;
    const char* input;
    Flags flags;
    const char* stored;
};

void PrintTo(const AppendCase& c, std::ostream* os) {
    *os << c.name;
}

class ClsStringArrayAppend : public ::testing::TestWithParam<AppendCase> {};

TEST_P(ClsStringArrayAppend, NormalisesByTheFlags) {
    const AppendCase& c = GetParam();
    ClsStringArray arr;
    Apply(arr, c.flags);
    arr.Append(c.input);
    ASSERT_EQ(arr.get_Count(), 1);
    EXPECT_EQ(std::string(arr.GetString(0)), c.stored);
    EXPECT_TRUE(arr.Contains(c.stored));
    EXPECT_EQ(arr.GetOccurrenceCount(c.stored), 1);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ClsStringArrayAppend,
    ::testing::Values(AppendCase{"PlainText", "hello", {}, "hello"},
                      AppendCase{"NullIsEmpty", nullptr, {}, ""},
                      AppendCase{"LfBecomesCrLf", "a\nb\n", {}, "a\r\nb\r\n"},
                      AppendCase{"CrLfStaysCrLf", "a\r\nb", {}, "a\r\nb"},
                      AppendCase{"LoneCrIsDroppedUnderCrLf", "a\rb", {}, "ab"},
                      AppendCase{"CrLfBecomesLfWithCrlfOff", "a\r\nb\r\n", {false, false, false}, "a\nb\n"},
                      AppendCase{"LfStaysLfWithCrlfOff", "a\nb", {false, false, false}, "a\nb"},
                      AppendCase{"BlanksKeptWithoutTrim", "  x ", {}, "  x "},
                      AppendCase{"TrimmedWithTrim", "  x ", {false, true, true}, "x"},
                      AppendCase{"TrimTakesLineEndsAtTheEnds", " \r\nx\ny\n ", {false, true, true}, "x\r\ny"},
                      AppendCase{"TrimTakesNoBreakSpace", "\xa0x\xa0", {false, true, false}, "x"}),
    [](const ::testing::TestParamInfo<AppendCase>& info) { return std::string(info.param.name); });

TEST(ClsStringArrayTest, CrlfIsOnByDefault) {
    ClsStringArray arr;
    arr.Append("a\nb");
    EXPECT_STREQ(arr.GetString(0), "a\r\nb");
}

TEST(ClsStringArrayTest, SameTextTwiceIsStoredTwiceWithCountTwo) {
    ClsStringArray arr;
    arr.Append("dup");
    arr.Append("dup");
    EXPECT_EQ(arr.get_Count(), 2);
    EXPECT_EQ(arr.GetOccurrenceCount("dup"), 2);
    EXPECT_NE(arr.GetStringSb(0), arr.GetStringSb(1));
}

TEST(ClsStringArrayTest, SameTextTwiceWithUniqueIsStoredOnce) {
    ClsStringArray arr;
    arr.put_Unique(true);
    arr.Append("dup");
    arr.Append("dup");
    arr.Append("other");
    EXPECT_EQ(Strings(arr), (std::vector<std::string>{"dup", "other"}));
    EXPECT_EQ(arr.GetOccurrenceCount("dup"), 1);
}

TEST(ClsStringArrayTest, UniqueComparesTheNormalisedText) {
    ClsStringArray arr;
    arr.put_Unique(true);
    arr.Append("a\nb");
    arr.Append("a\r\nb");
    EXPECT_EQ(arr.get_Count(), 1);
}

TEST(ClsStringArrayTest, ContainsDoesNotTrimItsArgument) {
    ClsStringArray arr;
    arr.put_Trim(true);
    arr.Append("  x ");
    EXPECT_EQ(Strings(arr), (std::vector<std::string>{"x"}));
    EXPECT_TRUE(arr.Contains("x"));
    EXPECT_FALSE(arr.Contains("  x "));
}

TEST(ClsStringArrayTest, ContainsDoesNotConvertLineEndsOfItsArgument) {
    ClsStringArray arr;
    arr.Append("a\nb");
    EXPECT_TRUE(arr.Contains("a\r\nb"));
    EXPECT_FALSE(arr.Contains("a\nb"));
}

TEST(ClsStringArrayTest, ContainsIsExactAndCaseSensitive) {
    ClsStringArray arr;
    arr.Append("contact");
    EXPECT_TRUE(arr.Contains("contact"));
    EXPECT_FALSE(arr.Contains("Contact"));
    EXPECT_FALSE(arr.Contains("contac"));
    EXPECT_FALSE(arr.Contains("contacts"));
    EXPECT_FALSE(arr.Contains(""));
}

TEST(ClsStringArrayTest, OutOfRangeIndexesAnswerNull) {
    ClsStringArray arr;
    EXPECT_EQ(arr.GetString(0), nullptr);
    arr.Append("a");
    arr.Append("b");
    EXPECT_EQ(arr.GetString(-1), nullptr);
    EXPECT_EQ(arr.GetString(arr.get_Count()), nullptr);
    EXPECT_EQ(arr.GetStringSb(-1), nullptr);
    EXPECT_EQ(arr.GetStringSb(arr.get_Count()), nullptr);
    EXPECT_STREQ(arr.GetString(1), "b");
    ASSERT_NE(arr.GetStringSb(0), nullptr);
    EXPECT_STREQ(arr.GetStringSb(0)->getString(), "a");
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
    EXPECT_EQ(arr.GetString(0), nullptr);
    EXPECT_FALSE(arr.Contains("a"));
    EXPECT_EQ(arr.GetOccurrenceCount("a"), 0);
    arr.Append("a");
    EXPECT_EQ(arr.get_Count(), 1);
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
