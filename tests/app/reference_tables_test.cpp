#include "app/reference_tables.h"

#include "base/cls_string_array.h"
#include "base/content_coding.h"
#include "base/string_buffer.h"
#include "tests/support/case_rows.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <thread>
#include <vector>

namespace {

std::string decoded(ReferenceTable table) {
    StringBuffer text;
    EXPECT_TRUE(decodeReferenceTable(table, text));
    return std::string(text.getString(), static_cast<size_t>(text.getSize()));
}

std::string fileBytes(const std::string& name) {
    return file_test::readBytes(REFERENCE_TABLE_DIR "/" + name);
}

// In priming order, each table decodes to its file byte for byte and loads as its count of
// lines, none empty and none holding a stray line break.
TEST(ReferenceTables, EachDecodedTableEqualsItsFileAndHasItsLineCount) {
    const std::vector<case_rows::Row> tables = case_rows::read(APP_TEST_DATA_DIR "/reference_tables.tsv", 3);
    ASSERT_EQ(tables.size(), static_cast<size_t>(kReferenceTableCount));
    for (int i = 0; i < kReferenceTableCount; ++i) {
        const case_rows::Row& c = tables[i];
        EXPECT_EQ(referenceTableName(referenceTableAt(i)), c[0]);
        const std::string text = decoded(referenceTableAt(i));
        EXPECT_EQ(text, fileBytes(c[1])) << c[0];
        ClsStringArray array;
        array.LoadFromText(text.c_str());
        EXPECT_EQ(array.get_Count(), std::stoi(c[2])) << c[0];
        for (int line = 0; line < array.get_Count(); ++line) {
            const std::string entry = array.GetString(line);
            EXPECT_TRUE(!entry.empty() && entry.find_first_of("\r\n") == std::string::npos) << c[0];
        }
    }
}

TEST(ReferenceTables, ConcurrentDecodingGivesTheSameTables) {
    const std::string expected = fileBytes("stop_words.txt");
    std::vector<std::string> results(4);
    std::vector<std::thread> threads;
    for (std::string& result : results)
        threads.emplace_back([&result] {
            StringBuffer text;
            if (decodeReferenceTable(ReferenceTable::StopWords, text))
                result.assign(text.getString(), static_cast<size_t>(text.getSize()));
        });
    for (std::thread& t : threads)
        t.join();
    for (const std::string& r : results)
        EXPECT_EQ(r, expected);
}

// The geographic table is read as pairs: an even entry is the key, matched with its blanks, the
// odd entry after it ",state,country".
TEST(ReferenceTables, GeoTableIsPairsWithKeysKeptAsStored) {
    ClsStringArray geo;
    geo.LoadFromText(decoded(ReferenceTable::GeoTable).c_str());
    ASSERT_EQ(geo.get_Count(), 4200);
    for (int i = 0; i < geo.get_Count(); i += 2) {
        const std::string value = geo.GetString(i + 1);
        EXPECT_EQ(std::count(value.begin(), value.end(), ','), 2) << "pair " << i / 2 << ": " << value;
        EXPECT_FALSE(std::string(geo.GetString(i)).empty());
    }
    EXPECT_STREQ(geo.GetString(4), " +44 (0)");
    EXPECT_STREQ(geo.GetString(5), ",,UK");
}

// Stored text that is not a whole container decodes to an empty table; empty text is a valid
// empty table.
TEST(ReferenceTables, BrokenOrEmptyStoredTextDecodesToAnEmptyTable) {
    const struct {
        std::string bytes;
        bool ok;
    } cases[] = {
        {"BZh3 plain text, not a container\r\nsecond line", false},
        {std::string("\xE1\xA7\x94\xB3\x10\x00\x00\x00", 8) + "BZh3garbage!", false},
        {"", true},
    };
    for (const auto& c : cases) {
        StringBuffer base64;
        ContentCoding coding;
        if (!c.bytes.empty()) {
            ASSERT_TRUE(coding.encodeBase64(c.bytes.data(), static_cast<uint32_t>(c.bytes.size()), base64));
        }
        StringBuffer text("stale");
        EXPECT_EQ(decodeTableText(base64, text), c.ok);
        EXPECT_EQ(text.getSize(), 0);
    }
}

} // namespace
