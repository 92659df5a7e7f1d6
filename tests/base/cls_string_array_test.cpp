#include "base/cls_string_array.h"

#include "base/string_buffer.h"
#include "base/string_consumer.h"
#include "tests/support/case_rows.h"

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

// The flags a case names: unique, trim and nocrlf (line ends are CRLF unless it says so).
void Apply(ClsStringArray& arr, const std::string& flags) {
    arr.put_Unique(flags.find("unique") != std::string::npos);
    arr.put_Trim(flags.find("trim") != std::string::npos);
    arr.put_Crlf(flags.find("nocrlf") == std::string::npos);
}

const char* OrNull(const std::string& field) {
    return field == "(null)" ? nullptr : field.c_str();
}

// ---- LoadFromText ----

TEST(ClsStringArrayLoad, StoresTheExpectedLines) {
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/string_array_loads.txt", 4)) {
        SCOPED_TRACE(c[0]);
        ClsStringArray arr;
        Apply(arr, c[1]);
        EXPECT_TRUE(arr.LoadFromText(OrNull(c[2])));
        std::string stored;
        for (const std::string& line : Strings(arr)) {
            stored += "[" + line + "]";
            EXPECT_TRUE(arr.Contains(line.c_str())) << line;
        }
        EXPECT_EQ(stored, c[3]);
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
    for (const case_rows::Row& c : case_rows::read(BASE_TEST_DATA_DIR "/string_array_appends.txt", 4)) {
        SCOPED_TRACE(c[0]);
        ClsStringArray arr;
        Apply(arr, c[1]);
        arr.Append(OrNull(c[2]));
        ASSERT_EQ(arr.get_Count(), 1);
        EXPECT_EQ(std::string(arr.GetString(0)), c[3]);
        EXPECT_EQ(arr.GetOccurrenceCount(c[3].c_str()), 1);
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

// Destroyed through the consumer interface, its strings too (the leak checker sees any left).
TEST(ClsStringArrayTest, ConsumeStringIsAppend) {
    auto* arr = new ClsStringArray();
    arr->put_Trim(true);
    arr->put_Unique(true);
    StringConsumer* consumer = arr;
    consumer->consumeString(" a ");
    consumer->consumeString("a");
    consumer->consumeString("b\n");
    EXPECT_EQ(Strings(*arr), (std::vector<std::string>{"a", "b"}));
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
