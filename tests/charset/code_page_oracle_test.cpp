// The code page tables, built from glibc's iconv, against an independent oracle: the mappings of
// Python's codecs, written once by tools/make_codepage_oracle.py into tests/charset/data/. It
// covers every table-driven single-byte code page Python has a codec for (37, 437, 500, 708,
// 720, 737, 775, 850, 852, 855, 857, 858, 860-866, 869, 874, 875, 1026, 1140, 1250-1258, the
// Mac pages 10000, 10004, 10006, 10007, 10010, 10029, 10079, 10081, 10082, 20127, 20273, 20424,
// 20866, 21866, 28591-28599, 28603, 28605 and 38598), and the double-byte pages 932, 936, 949
// and 950 pair by pair.

#include "base/data_buffer.h"
#include "charset/encoding_convert.h"
#include "tests/support/buffer_text.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr unsigned kUtf16Le = 1200;

struct OracleEntry {
    std::string bytes;
    int unit; // -1: the oracle has no mapping
};

// Reads one oracle file, expanding runs of entries that count up together.
std::vector<OracleEntry> readOracle(unsigned codePage) {
    std::vector<OracleEntry> entries;
    std::ifstream in(std::string(CHARSET_TEST_DATA_DIR) + "/cp" + std::to_string(codePage) + ".txt");
    std::string line;
    while (std::getline(in, line)) {
        if (line.empty() || line[0] == '#')
            continue;
        std::istringstream fields(line);
        std::string bytesHex, unitHex;
        int run = 1;
        fields >> bytesHex >> unitHex;
        fields >> run;
        unsigned value = std::stoul(bytesHex, nullptr, 16);
        int unit = unitHex == "-" ? -1 : static_cast<int>(std::stoul(unitHex, nullptr, 16));
        for (int k = 0; k < run; ++k) {
            unsigned v = value + k;
            std::string bytes = bytesHex.size() == 2
                                    ? std::string(1, static_cast<char>(v))
                                    : std::string{static_cast<char>(v >> 8), static_cast<char>(v)};
            entries.push_back({bytes, unit < 0 ? -1 : unit + k});
        }
    }
    return entries;
}

bool convert(unsigned from, unsigned to, const std::string& in, std::string& out) {
    EncodingConvert ec;
    ec.setErrorAction(EncodingConvert::kWriteNothing);
    DataBuffer buf;
    bool ok = ec.Convert(from, to, reinterpret_cast<const unsigned char*>(in.data()),
                         static_cast<unsigned>(in.size()), buf);
    out = test_support::bytesOf(buf);
    return ok;
}

std::string unitBytes(int unit) {
    return std::string{static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8)};
}

std::string hexOf(const std::string& s) {
    std::string h;
    char b[4];
    for (unsigned char c : s) {
        std::snprintf(b, sizeof(b), "%02X", c);
        h += b;
    }
    return h;
}

// Python's cp950 codec fills C6A1-C7FC with the ETEN kana and Cyrillic extension; Windows, like
// glibc's CP950, maps that range to the private-use area, so the oracle does not hold there.
bool oracleDisputed(unsigned codePage, const std::string& bytes) {
    if (codePage != 950 || bytes.size() != 2)
        return false;
    unsigned v = static_cast<unsigned char>(bytes[0]) << 8 | static_cast<unsigned char>(bytes[1]);
    return v >= 0xC6A1 && v <= 0xC7FC;
}

class OracleTest : public ::testing::TestWithParam<unsigned> {};

TEST_P(OracleTest, EveryEntryDecodesAndEncodesAsTheOracleSays) {
    const unsigned codePage = GetParam();
    std::vector<OracleEntry> entries = readOracle(codePage);
    ASSERT_FALSE(entries.empty()) << "no oracle data for " << codePage;
    if (!EncodingConvert::CanEncode(codePage))
        GTEST_SKIP() << "glibc's iconv has no table for code page " << codePage;
    const bool decodes = EncodingConvert::CanDecode(codePage);
    int mismatches = 0;
    for (const OracleEntry& e : entries) {
        if (oracleDisputed(codePage, e.bytes))
            continue;
        std::ostringstream problem;
        std::string decoded, encoded, again;
        if (!decodes) {
            // Pages that are only ever written: every character must still encode to its bytes.
            if (e.unit >= 0 &&
                !(convert(kUtf16Le, codePage, unitBytes(e.unit), encoded) && encoded == e.bytes))
                problem << "U+" << std::hex << e.unit << " should encode to " << hexOf(e.bytes)
                        << ", ours gives " << hexOf(encoded);
        } else if (e.unit < 0) {
            if (convert(codePage, kUtf16Le, e.bytes, decoded) && !decoded.empty())
                problem << hexOf(e.bytes) << " has no mapping in the oracle, ours gives " << hexOf(decoded);
        } else if (!convert(codePage, kUtf16Le, e.bytes, decoded) || decoded != unitBytes(e.unit)) {
            problem << hexOf(e.bytes) << " should decode to U+" << std::hex << e.unit << ", ours gives "
                    << hexOf(decoded);
        } else if (!convert(kUtf16Le, codePage, decoded, encoded) ||
                   !convert(codePage, kUtf16Le, encoded, again) || again != decoded) {
            // Where several byte sequences decode to one character, only one of them can encode it:
            // the encoding must decode back to the same character.
            problem << "U+" << std::hex << e.unit << " should encode back, ours gives " << hexOf(encoded);
        }
        if (!problem.str().empty()) {
            ADD_FAILURE() << codePage << ": " << problem.str();
            if (++mismatches > 20)
                break;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(SingleByte, OracleTest,
                         ::testing::Values(37u, 437u, 500u, 708u, 720u, 737u, 775u, 850u, 852u, 855u, 857u,
                                           858u, 860u, 861u, 862u, 863u, 864u, 865u, 866u, 869u, 874u, 875u,
                                           1026u, 1140u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u,
                                           1257u, 1258u, 10000u, 10004u, 10006u, 10007u, 10010u, 10029u,
                                           10079u, 10081u, 10082u, 20127u, 20273u, 20424u, 20866u, 21866u,
                                           28591u, 28592u, 28593u, 28594u, 28595u, 28596u, 28597u, 28598u,
                                           28599u, 28603u, 28605u, 38598u));

INSTANTIATE_TEST_SUITE_P(DoubleByte, OracleTest, ::testing::Values(932u, 936u, 949u, 950u));

} // namespace
