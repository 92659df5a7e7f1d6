#include "app/reference_tables.h"

#include "base/cls_string_array.h"
#include "base/content_coding.h"
#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "base/zelcora_bzip2.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <thread>
#include <vector>

namespace {

struct TableCase {
    ReferenceTable table;
    const char* name;
    const char* file;
    int lines;
};

// The priming order, with the file each table is made from and its line count.
const TableCase kCases[] = {
    {ReferenceTable::StopWords, "stop words", "stop_words.txt", 1237},
    {ReferenceTable::PlacePhrases, "place phrases", "place_phrases.txt", 450},
    {ReferenceTable::AboutUrlPatterns, "about URL patterns", "about_url_patterns.txt", 14},
    {ReferenceTable::AboutLinkTexts, "about link texts", "about_link_texts.txt", 11},
    {ReferenceTable::ContactUrlPatterns, "contact URL patterns", "contact_url_patterns.txt", 24},
    {ReferenceTable::ContactLinkTexts, "contact link texts", "contact_link_texts.txt", 15},
    {ReferenceTable::LanguageWords, "language words", "language_words.txt", 6},
    {ReferenceTable::SitemapUrlPatterns, "site-map URL patterns", "sitemap_url_patterns.txt", 7},
    {ReferenceTable::SitemapLinkTexts, "site-map link texts", "sitemap_link_texts.txt", 4},
    {ReferenceTable::EnterLinkTexts, "enter-site link texts", "enter_link_texts.txt", 7},
    {ReferenceTable::LocationUrlPatterns, "location URL patterns", "location_url_patterns.txt", 30},
    {ReferenceTable::GeoTable, "geographic table", "geo_table.txt", 4200},
};

std::string decoded(ReferenceTable table) {
    StringBuffer text;
    EXPECT_TRUE(decodeReferenceTable(table, text));
    return std::string(text.getString(), static_cast<size_t>(text.getSize()));
}

std::string fileBytes(const char* name) {
    DataBuffer db;
    const std::string path = std::string(REFERENCE_TABLE_DIR) + "/" + name;
    EXPECT_TRUE(db.loadFile(path.c_str())) << path;
    return db.getSize() == 0 ? std::string()
                             : std::string(reinterpret_cast<const char*>(db.getData()), db.getSize());
}

std::vector<std::string> splitCrlf(const std::string& text) {
    std::vector<std::string> lines;
    size_t start = 0;
    for (size_t at = text.find("\r\n"); at != std::string::npos; at = text.find("\r\n", start)) {
        lines.push_back(text.substr(start, at - start));
        start = at + 2;
    }
    lines.push_back(text.substr(start));
    return lines;
}

void load(ReferenceTable table, ClsStringArray& array) {
    StringBuffer text;
    ASSERT_TRUE(decodeReferenceTable(table, text));
    array.LoadFromText(text.getString());
}

TEST(ReferenceTables, RegistryListsTheTablesInPrimingOrder) {
    for (int i = 0; i < kReferenceTableCount; ++i) {
        EXPECT_EQ(referenceTableAt(i), kCases[i].table);
        EXPECT_STREQ(referenceTableName(kCases[i].table), kCases[i].name);
    }
}

// Each table decodes to its file byte for byte, with CRLF line breaks, no empty line and the
// expected line count, also when loaded into an array.
TEST(ReferenceTables, EachDecodedTableEqualsItsFileAndHasItsLineCount) {
    for (const TableCase& c : kCases) {
        const std::string file = fileBytes(c.file);
        ASSERT_FALSE(file.empty()) << c.file;
        const std::string text = decoded(c.table);
        EXPECT_EQ(text, file) << c.name;
        const std::vector<std::string> lines = splitCrlf(text);
        EXPECT_EQ(static_cast<int>(lines.size()), c.lines) << c.name;
        for (const std::string& line : lines)
            EXPECT_TRUE(!line.empty() && line.find_first_of("\r\n") == std::string::npos) << c.name;
        ClsStringArray array;
        load(c.table, array);
        EXPECT_EQ(array.get_Count(), c.lines) << c.name;
    }
}

TEST(ReferenceTables, StoredTextIsBase64OfAContainer) {
    for (const TableCase& c : kCases) {
        const StringBuffer& base64 = referenceTableBase64(c.table);
        ASSERT_GT(base64.getSize(), 0) << c.name;
        const std::string text(base64.getString(), static_cast<size_t>(base64.getSize()));
        DataBuffer container;
        ContentCoding coding;
        ASSERT_TRUE(coding.decodeBase64(text.c_str(), static_cast<uint32_t>(text.size()), container));
        ASSERT_GT(container.getSize(), 12u);
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(container.getData()), 4), "\xE1\xA7\x94\xB3");
        EXPECT_EQ(std::string(reinterpret_cast<const char*>(container.getData()) + 8, 4), "BZh3");
    }
}

TEST(ReferenceTables, FillingAgainChangesNothing) {
    const std::string before = decoded(ReferenceTable::GeoTable);
    fillReferenceTables();
    fillReferenceTables();
    EXPECT_EQ(decoded(ReferenceTable::GeoTable), before);
}

TEST(ReferenceTables, ConcurrentDecodingGivesTheSameTables) {
    const std::string expected = fileBytes("stop_words.txt");
    std::vector<std::thread> threads;
    std::vector<std::string> results(4);
    for (size_t i = 0; i < results.size(); ++i)
        threads.emplace_back([&results, i] {
            StringBuffer text;
            if (decodeReferenceTable(ReferenceTable::StopWords, text))
                results[i].assign(text.getString(), static_cast<size_t>(text.getSize()));
        });
    for (std::thread& t : threads)
        t.join();
    for (const std::string& r : results)
        EXPECT_EQ(r, expected);
}

struct Section {
    const char* header;
    int pairs; // including the header pair
};

// Section titles are written in lower case, as page text is matched.
const Section kGeoSections[] = {
    {"//////////////////////////////// country-code telephone numbers.", 51},
    {"//////////////////// state + zip", 533},
    {"//////////////////////////////// us city,state", 23},
    {"//////////////////////////////// english postal codes", 2},
    {"//////////////////////////////// bare us cities....178139861", 59},
    {"//////////////////////////////// bare foreign provinces....178139861", 2},
    {"//////////////////////////////// bare foreign cities....178139861", 5},
    {"//////////////////////////////// bare countries....178139861", 2},
    {"//////////////////////////////////// area codes....178139861", 285},
    {"//////////////////////////////// country-code telephone numbers (format #2).", 49},
    {"//////////////////////////////////// bare states....178139861", 60},
    {"//////////////////////////////////// bare canadian provinces....178139861", 12},
    {"// different area code formats.....", 285},
    {"// area code format using dash.", 285},
    {"// area code format using 1.areacode.", 285},
    {"// state abbrev.", 105},
    {"// telltale foreign words", 5},
    {"// easier matching international phone codes", 49},
    {"// more city names....", 3},
};

class GeoTableTest : public ::testing::Test {
protected:
    void SetUp() override { load(ReferenceTable::GeoTable, m_geo); }
    std::string at(int i) const { return m_geo.GetString(i); }
    // The index of the pair whose key is `key`, or -1.
    int pairOf(const std::string& key) const {
        for (int i = 0; i < m_geo.get_Count(); i += 2)
            if (at(i) == key)
                return i / 2;
        return -1;
    }
    ClsStringArray m_geo;
};

TEST_F(GeoTableTest, SectionsComeInOrderWithTheirPairCounts) {
    std::vector<int> starts;
    for (int i = 0; i < m_geo.get_Count(); ++i)
        if (at(i).rfind("//", 0) == 0)
            starts.push_back(i);
    ASSERT_EQ(starts.size(), std::size(kGeoSections));
    starts.push_back(m_geo.get_Count());
    for (size_t s = 0; s < std::size(kGeoSections); ++s) {
        EXPECT_EQ(at(starts[s]), kGeoSections[s].header);
        EXPECT_EQ(starts[s] % 2, 0) << kGeoSections[s].header;
        EXPECT_EQ(at(starts[s] + 1), ",,");
        EXPECT_EQ((starts[s + 1] - starts[s]) / 2, kGeoSections[s].pairs) << kGeoSections[s].header;
    }
}

TEST_F(GeoTableTest, EvenEntriesAreKeysAndOddEntriesValues) {
    ASSERT_EQ(m_geo.get_Count(), 4200);
    for (int i = 0; i < m_geo.get_Count(); i += 2) {
        const std::string value = at(i + 1);
        EXPECT_EQ(std::count(value.begin(), value.end(), ','), 2) << "pair " << i / 2 << ": " << value;
        EXPECT_NE(value.rfind("//", 0), 0u);
        EXPECT_FALSE(at(i).empty());
    }
}

TEST_F(GeoTableTest, LeadingBlanksStoredBytesAndGeneratedSections) {
    EXPECT_EQ(at(4), " +44 (0)");
    EXPECT_EQ(at(5), ",,UK");
    EXPECT_EQ(pairOf(" +254(0)"), -1);
    EXPECT_EQ(pairOf("georgia"), -1);
    EXPECT_EQ(pairOf(",gu."), -1);
    EXPECT_EQ(pairOf(",dc.") - pairOf(",va."), 1);
    const std::pair<const char*, const char*> values[] = {
        {" ma 01", ",MA,US"},  {",wv 0", ",WV,US"},
        {",n.y.", ",NY,US"},   {"(229)", ",ga,US"},
        {" 1.307.", ",WY,US"}, {",al.", ",AL,US"},
        {",md,", ",MD,US"},    {",dc.", ",DC,US"},
        {" +27.", ",,ZA"},     {"+44", ",,UK"},
        {"chennai", ",,IN"},   {"v\xC3\xA4lkommen", nullptr},
        {" +54(0)", nullptr},  {"georgia -- no good because of font and russian state.", nullptr},
    };
    for (const auto& [key, value] : values) {
        const int pair = pairOf(key);
        ASSERT_GE(pair, 0) << key;
        if (value != nullptr) {
            EXPECT_EQ(at(2 * pair + 1), value) << key;
        }
    }
}

std::string base64Of(const std::string& bytes) {
    StringBuffer out;
    ContentCoding coding;
    EXPECT_TRUE(coding.encodeBase64(bytes.data(), static_cast<uint32_t>(bytes.size()), out));
    return out.getString();
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
        StringBuffer base64(c.bytes.empty() ? "" : base64Of(c.bytes).c_str());
        StringBuffer text("stale");
        EXPECT_EQ(decodeTableText(base64, text), c.ok);
        EXPECT_EQ(text.getSize(), 0);
        ClsStringArray table;
        table.LoadFromText(text.getString());
        EXPECT_EQ(table.get_Count(), 0);
    }
}

TEST(ReferenceTables, RoundTripOfOwnTextKeepsTheLastLineWithoutLineBreak) {
    DataBuffer plain;
    const std::string lines = "first\r\n second\r\nlast";
    ASSERT_TRUE(plain.append(lines.data(), static_cast<uint32_t>(lines.size())));
    DataBuffer container;
    ZelcoraBzip2 codec;
    ASSERT_TRUE(codec.Compress(plain, container));
    StringBuffer base64;
    ContentCoding coding;
    ASSERT_TRUE(coding.encodeBase64(container.getData(), container.getSize(), base64));
    StringBuffer text;
    ASSERT_TRUE(decodeTableText(base64, text));
    ClsStringArray table;
    table.LoadFromText(text.getString());
    ASSERT_EQ(table.get_Count(), 3);
    EXPECT_STREQ(table.GetString(1), " second");
    EXPECT_STREQ(table.GetString(2), "last");
}

} // namespace
