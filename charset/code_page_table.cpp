// CodePageTable: the registry of table-driven code pages with the iconv names their tables are
// read from, the once-only building, and the table codec.
#include "charset/code_page_table.h"

#include "charset/code_pages.h"
#include "charset/conv_buffer.h"
#include "charset/unmappable_handler.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <iconv.h>
#include <mutex>

struct CodePageTable::Layout {
    unsigned codePage;
    // Null: iconv has no table for the code page, so it cannot be converted.
    const char* iconvName;
    bool doubleByte;
    // Encode only: text can be converted to the code page but not from it.
    bool encodeOnly;
};

namespace {

using Layout = CodePageTable::Layout;

constexpr bool kSingle = false;
constexpr bool kDouble = true;
constexpr bool kBoth = false;
constexpr bool kEncodeOnly = true;

// Every table-driven code page, sorted by identifier. The entries without an iconv name are the
// code pages glibc's iconv has no table for (checked against `iconv -l` and by converting):
//   720   DOS Arabic                10001 Mac Japanese          10004 Mac Arabic
//   10005 Mac Hebrew                10006 Mac Greek             10010 Mac Romanian
//   10021 Mac Thai                  10081 Mac Turkish           10082 Mac Croatian
//   20105 IA5 IRV (ISO 646:1983; glibc's ISO 646 IRV is the 1991 one, plain ASCII)
//   20838 IBM EBCDIC Thai (glibc's IBM1160 is a different, later table)
//   20924 IBM EBCDIC Latin 1 with euro (glibc's IBM1047 lacks the euro changes)
// Where glibc has several variants, the one matching the Windows code page is named: CP10007 is
// Microsoft's Mac Cyrillic, EUC-JP-MS the Microsoft EUC-JP with the NEC rows of code page 932.
constexpr Layout kLayouts[] = {
    {37, "IBM037", kSingle, kBoth},
    {437, "IBM437", kSingle, kBoth},
    {500, "IBM500", kSingle, kBoth},
    {708, "ASMO-708", kSingle, kBoth},
    {720, nullptr, kSingle, kBoth},
    {737, "CP737", kSingle, kBoth},
    {775, "IBM775", kSingle, kBoth},
    {850, "IBM850", kSingle, kBoth},
    {852, "IBM852", kSingle, kBoth},
    {855, "IBM855", kSingle, kBoth},
    {857, "IBM857", kSingle, kBoth},
    {858, "IBM858", kSingle, kBoth},
    {860, "IBM860", kSingle, kBoth},
    {861, "IBM861", kSingle, kBoth},
    {862, "IBM862", kSingle, kBoth},
    {863, "IBM863", kSingle, kBoth},
    {864, "IBM864", kSingle, kBoth},
    {865, "IBM865", kSingle, kBoth},
    {866, "IBM866", kSingle, kBoth},
    {869, "IBM869", kSingle, kBoth},
    {870, "IBM870", kSingle, kBoth},
    {874, "WINDOWS-874", kSingle, kBoth},
    {875, "IBM875", kSingle, kBoth},
    {932, "CP932", kDouble, kBoth},
    {936, "CP936", kDouble, kBoth},
    {949, "CP949", kDouble, kBoth},
    {950, "CP950", kDouble, kBoth},
    {1026, "IBM1026", kSingle, kBoth},
    {1047, "IBM1047", kSingle, kBoth},
    {1140, "IBM1140", kSingle, kBoth},
    {1141, "IBM1141", kSingle, kBoth},
    {1142, "IBM1142", kSingle, kBoth},
    {1143, "IBM1143", kSingle, kBoth},
    {1144, "IBM1144", kSingle, kBoth},
    {1145, "IBM1145", kSingle, kBoth},
    {1146, "IBM1146", kSingle, kBoth},
    {1147, "IBM1147", kSingle, kBoth},
    {1148, "IBM1148", kSingle, kBoth},
    {1149, "IBM1149", kSingle, kBoth},
    {1250, "CP1250", kSingle, kBoth},
    {1251, "CP1251", kSingle, kBoth},
    {1252, "CP1252", kSingle, kBoth},
    {1253, "CP1253", kSingle, kBoth},
    {1254, "CP1254", kSingle, kBoth},
    {1255, "CP1255", kSingle, kBoth},
    {1256, "CP1256", kSingle, kBoth},
    {1257, "CP1257", kSingle, kBoth},
    {1258, "CP1258", kSingle, kBoth},
    {1361, "JOHAB", kDouble, kBoth},
    {10000, "MACINTOSH", kSingle, kBoth},
    {10001, nullptr, kDouble, kBoth},
    {10004, nullptr, kSingle, kBoth},
    {10005, nullptr, kSingle, kBoth},
    {10006, nullptr, kSingle, kBoth},
    {10007, "CP10007", kSingle, kBoth},
    {10010, nullptr, kSingle, kBoth},
    {10017, "MAC-UK", kSingle, kBoth},
    {10021, nullptr, kSingle, kBoth},
    {10029, "MAC-CENTRALEUROPE", kSingle, kBoth},
    {10079, "MAC-IS", kSingle, kBoth},
    {10081, nullptr, kSingle, kBoth},
    {10082, nullptr, kSingle, kBoth},
    {20105, nullptr, kSingle, kBoth},
    {20106, "DIN_66003", kSingle, kBoth},
    {20107, "SEN_850200_B", kSingle, kBoth},
    {20108, "NS_4551-1", kSingle, kBoth},
    {20127, "ANSI_X3.4-1968", kSingle, kBoth},
    {20261, "T.61-8BIT", kSingle, kBoth},
    {20269, "ISO_6937", kSingle, kBoth},
    {20273, "IBM273", kSingle, kBoth},
    {20277, "IBM277", kSingle, kBoth},
    {20278, "IBM278", kSingle, kBoth},
    {20280, "IBM280", kSingle, kBoth},
    {20284, "IBM284", kSingle, kBoth},
    {20285, "IBM285", kSingle, kBoth},
    {20290, "IBM290", kSingle, kBoth},
    {20297, "IBM297", kSingle, kBoth},
    {20420, "IBM420", kSingle, kBoth},
    {20423, "IBM423", kSingle, kBoth},
    {20424, "IBM424", kSingle, kBoth},
    {20838, nullptr, kSingle, kBoth},
    {20866, "KOI8-R", kSingle, kBoth},
    {20871, "IBM871", kSingle, kBoth},
    {20880, "IBM880", kSingle, kBoth},
    {20905, "IBM905", kSingle, kBoth},
    {20924, nullptr, kSingle, kBoth},
    {21025, "IBM1025", kSingle, kBoth},
    {21866, "KOI8-U", kSingle, kBoth},
    {28591, "ISO-8859-1", kSingle, kBoth},
    {28592, "ISO-8859-2", kSingle, kBoth},
    {28593, "ISO-8859-3", kSingle, kBoth},
    {28594, "ISO-8859-4", kSingle, kBoth},
    {28595, "ISO-8859-5", kSingle, kBoth},
    {28596, "ISO-8859-6", kSingle, kBoth},
    {28597, "ISO-8859-7", kSingle, kBoth},
    {28598, "ISO-8859-8", kSingle, kBoth},
    {28599, "ISO-8859-9", kSingle, kBoth},
    {28603, "ISO-8859-13", kSingle, kBoth},
    {28605, "ISO-8859-15", kSingle, kBoth},
    {38598, "ISO-8859-8", kSingle, kEncodeOnly},
    {51932, "EUC-JP-MS", kDouble, kBoth},
    {51936, "EUC-CN", kDouble, kBoth},
    {51949, "EUC-KR", kDouble, kBoth},
};

constexpr std::size_t kNumLayouts = std::size(kLayouts);

constexpr bool layoutsSorted() {
    for (std::size_t i = 1; i < kNumLayouts; ++i) {
        if (kLayouts[i - 1].codePage >= kLayouts[i].codePage)
            return false;
    }
    return true;
}
static_assert(layoutsSorted(), "the layouts are sorted by code page and listed once");

struct Slot {
    std::once_flag once;
    std::unique_ptr<CodePageTable> table;
};

Slot g_slots[kNumLayouts];

int layoutIndex(unsigned codePage) {
    const Layout* it = std::lower_bound(std::begin(kLayouts), std::end(kLayouts), codePage,
                                        [](const Layout& l, unsigned cp) { return l.codePage < cp; });
    if (it == std::end(kLayouts) || it->codePage != codePage)
        return -1;
    return static_cast<int>(it - std::begin(kLayouts));
}

const uint16_t* unmappedRow() {
    static const auto row = [] {
        std::unique_ptr<uint16_t[]> r(new uint16_t[256]);
        std::fill(r.get(), r.get() + 256, CodePageTable::kUnmapped);
        return r;
    }();
    return row.get();
}

enum class Outcome { Mapped, Incomplete, Invalid };

// Converts one short byte sequence alone, from the initial state, and flushes whatever a
// stateful decoder (such as CP1255 or CP1258, which wait for combining marks) holds back.
// Mapped only when every byte was consumed and exactly one UTF-16 unit, not a surrogate and not
// one of the table's reserved values, came out.
Outcome convertAlone(iconv_t cd, const uint8_t* bytes, std::size_t n, uint16_t& unit) {
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char in[4];
    std::memcpy(in, bytes, n);
    char out[16];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = n;
    std::size_t outLeft = sizeof(out);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return errno == EINVAL ? Outcome::Incomplete : Outcome::Invalid;
    if (iconv(cd, nullptr, nullptr, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
        return Outcome::Invalid;
    if (inLeft != 0 || sizeof(out) - outLeft != 2)
        return Outcome::Invalid;
    unit = static_cast<uint16_t>(static_cast<uint8_t>(out[0]) | static_cast<uint8_t>(out[1]) << 8);
    bool reserved = unit == CodePageTable::kUnmapped || unit == CodePageTable::kLeadByte;
    bool surrogate = unit >= 0xD800 && unit <= 0xDFFF;
    return reserved || surrogate ? Outcome::Invalid : Outcome::Mapped;
}

uint16_t loadUnit(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | p[1] << 8);
}

} // namespace

CodePageTable::CodePageTable(unsigned codePage, bool doubleByte, bool canDecode)
    : m_codePage(codePage), m_doubleByte(doubleByte), m_canDecode(canDecode) {
    std::fill(std::begin(m_single), std::end(m_single), kUnmapped);
    std::fill(std::begin(m_leadRows), std::end(m_leadRows), unmappedRow());
}

const CodePageTable* CodePageTable::Get(unsigned codePage) {
    int index = layoutIndex(codePage);
    if (index < 0)
        return nullptr;
    Slot& slot = g_slots[index];
    std::call_once(slot.once, [&] { slot.table = Build(kLayouts[index]); });
    return slot.table.get();
}

bool CodePageTable::IsTableDriven(unsigned codePage) {
    return layoutIndex(codePage) >= 0;
}

const char* CodePageTable::IconvName(unsigned codePage) {
    int index = layoutIndex(codePage);
    return index < 0 ? nullptr : kLayouts[index].iconvName;
}

unsigned CodePageTable::NumTableDriven() {
    return static_cast<unsigned>(kNumLayouts);
}

unsigned CodePageTable::TableDrivenAt(unsigned index) {
    return index < kNumLayouts ? kLayouts[index].codePage : 0;
}

namespace {

// Bytes where glibc's table differs from the Windows code page of the same number: the Windows
// mapping wins, since pages are labelled for Windows. EBCDIC 875 sends its unused positions to
// SUB; the Mac pages follow Apple's later tables (the euro, the Apple logo, U+2206 for the
// increment sign); 932 keeps Windows' single-byte private-use mappings.
struct ByteCorrection {
    unsigned codePage;
    uint8_t byte;
    uint16_t unit;
};

constexpr ByteCorrection kWindowsCorrections[] = {
    {875, 0x6A, 0x007C},
    {875, 0x74, 0x00A0},
    {875, 0xDC, 0x001A},
    {875, 0xDD, 0x0387},
    {875, 0xE1, 0x001A},
    {875, 0xEC, 0x001A},
    {875, 0xED, 0x001A},
    {875, 0xFC, 0x001A},
    {875, 0xFD, 0x001A},
    {1026, 0x9D, 0x00B8},
    {1026, 0xBC, 0x00AF},
    {10000, 0xC6, 0x2206},
    {10000, 0xF0, 0xF8FF},
    {10007, 0xA2, 0x0490},
    {10007, 0xFF, 0x20AC},
    {10079, 0xA0, 0x00DD},
    {10079, 0xC6, 0x2206},
    {10079, 0xD0, 0x2013},
    {10079, 0xD1, 0x2014},
    {10079, 0xD7, 0x25CA},
    {10079, 0xDB, 0x20AC},
    {10079, 0xDC, 0x00D0},
    {10079, 0xDD, 0x00F0},
    {10079, 0xE0, 0x00FD},
    {10079, 0xF0, 0xF8FF},
    {10079, 0xF6, 0x02C6},
    {10079, 0xF7, 0x02DC},
    {20273, 0xBC, 0x203E},
    {20424, 0x78, 0x2017},
    {20424, 0x8F, 0x00B1},
    {932, 0x80, 0x0080},
    {932, 0xA0, 0xF8F0},
    {932, 0xFD, 0xF8F1},
    {932, 0xFE, 0xF8F2},
    {932, 0xFF, 0xF8F3},
};

} // namespace

std::unique_ptr<CodePageTable> CodePageTable::Build(const Layout& layout) {
    if (layout.iconvName == nullptr)
        return nullptr;
    iconv_t cd = iconv_open("UTF-16LE", layout.iconvName);
    if (cd == reinterpret_cast<iconv_t>(-1))
        return nullptr;
    std::unique_ptr<CodePageTable> table(new CodePageTable(layout.codePage, layout.doubleByte, !layout.encodeOnly));
    bool ok = table->readSingleBytes(cd) && (!layout.doubleByte || table->readPairs(cd));
    iconv_close(cd);
    if (!ok)
        return nullptr;
    table->buildEncoder();
    return table;
}

bool CodePageTable::readSingleBytes(void* cd) {
    for (unsigned b = 0; b < 256; ++b) {
        uint8_t byte = static_cast<uint8_t>(b);
        uint16_t unit = 0;
        Outcome outcome = convertAlone(static_cast<iconv_t>(cd), &byte, 1, unit);
        if (outcome == Outcome::Mapped)
            m_single[b] = unit;
        else if (outcome == Outcome::Incomplete && m_doubleByte)
            m_single[b] = kLeadByte;
    }
    for (const ByteCorrection& c : kWindowsCorrections) {
        if (c.codePage == m_codePage)
            m_single[c.byte] = c.unit;
    }
    // Byte 0 is U+0000 in every code page.
    m_single[0] = 0;
    m_asciiLowerHalf = true;
    for (unsigned b = 0; b < 0x80; ++b)
        m_asciiLowerHalf = m_asciiLowerHalf && m_single[b] == b;
    return true;
}

bool CodePageTable::readPairs(void* cd) {
    unsigned numLeads = static_cast<unsigned>(std::count(std::begin(m_single), std::end(m_single), kLeadByte));
    m_pairStorage.reset(new uint16_t[std::max(numLeads, 1u) * 256]);
    uint16_t* row = m_pairStorage.get();
    for (unsigned lead = 0; lead < 256; ++lead) {
        if (m_single[lead] != kLeadByte)
            continue;
        for (unsigned trail = 0; trail < 256; ++trail) {
            uint8_t pair[2] = {static_cast<uint8_t>(lead), static_cast<uint8_t>(trail)};
            uint16_t unit = 0;
            bool mapped = convertAlone(static_cast<iconv_t>(cd), pair, 2, unit) == Outcome::Mapped;
            row[trail] = mapped ? unit : kUnmapped;
            m_isTrail[trail] = m_isTrail[trail] || mapped;
        }
        m_leadRows[lead] = row;
        row += 256;
    }
    return true;
}

// The inverse of the decode table in byte order: where several bytes decode to one character,
// the first of them encodes it. Nothing is added beyond the decode mappings (no best-fit), except
// the digit rule of ISO-8859-6.
void CodePageTable::buildEncoder() {
    for (unsigned b = 0; b < 256; ++b) {
        uint16_t entry = m_single[b];
        if (entry == kLeadByte) {
            for (unsigned trail = 0; trail < 256; ++trail) {
                uint16_t unit = m_leadRows[b][trail];
                if (unit != kUnmapped)
                    m_encoder.add(unit, static_cast<uint16_t>(b << 8 | trail));
            }
        } else if (entry != kUnmapped) {
            m_encoder.add(entry, static_cast<uint16_t>(b));
        }
    }
    // ISO-8859-6 encoding: Arabic-Indic and extended Arabic-Indic digits become ASCII digits.
    if (m_codePage == CodePages::kIsoArabic) {
        for (uint16_t d = 0; d < 10; ++d) {
            m_encoder.add(static_cast<uint16_t>(0x0660 + d), static_cast<uint16_t>('0' + d));
            m_encoder.add(static_cast<uint16_t>(0x06F0 + d), static_cast<uint16_t>('0' + d));
        }
    }
    m_encoder.finish();
}

bool CodePageTable::decode(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler) const {
    if (m_doubleByte)
        return decodeDoubleByte(p, n, out, handler);
    bool allMapped = true;
    const uint8_t* end = p + n;
    while (p < end) {
        if (!out.reserve(static_cast<std::size_t>(end - p) * 2))
            return false;
        uint8_t* w = out.end();
        while (p < end) {
            uint16_t unit = m_single[*p];
            if (unit == kUnmapped)
                break;
            w[0] = static_cast<uint8_t>(unit);
            w[1] = static_cast<uint8_t>(unit >> 8);
            w += 2;
            ++p;
        }
        out.commit(w);
        if (p < end) {
            allMapped = false;
            handler.onUnmappable(p, 1, out);
            ++p;
        }
    }
    return allMapped;
}

// A lead byte with a trail byte that forms no pair: when the trail byte could stand second in
// some pair the two are one unmappable unit; otherwise only the lead byte is, and the next byte
// is read afresh (so an ASCII byte after a stray lead byte survives).
bool CodePageTable::decodeDoubleByte(const uint8_t* p, std::size_t n, ConvBuffer& out,
                                     UnmappableHandler& handler) const {
    bool allMapped = true;
    const uint8_t* end = p + n;
    while (p < end) {
        if (!out.reserve(static_cast<std::size_t>(end - p) * 2))
            return false;
        uint8_t* w = out.end();
        std::size_t badLength = 0;
        while (p < end) {
            uint8_t c = *p;
            uint16_t unit;
            if (c < 0x80 && m_asciiLowerHalf) {
                unit = c;
                ++p;
            } else if (m_single[c] != kLeadByte) {
                unit = m_single[c];
                if (unit == kUnmapped) {
                    badLength = 1;
                    break;
                }
                ++p;
            } else {
                if (end - p < 2) {
                    badLength = 1;
                    break;
                }
                unit = m_leadRows[c][p[1]];
                if (unit == kUnmapped) {
                    badLength = m_isTrail[p[1]] ? 2 : 1;
                    break;
                }
                p += 2;
            }
            w[0] = static_cast<uint8_t>(unit);
            w[1] = static_cast<uint8_t>(unit >> 8);
            w += 2;
        }
        out.commit(w);
        if (badLength != 0) {
            allMapped = false;
            handler.onUnmappable(p, static_cast<unsigned>(badLength), out);
            p += badLength;
        }
    }
    return allMapped;
}

bool CodePageTable::encode(const uint8_t* p, std::size_t n, ConvBuffer& out, UnmappableHandler& handler) const {
    bool allMapped = true;
    bool markers = handler.passesMarkers();
    const uint8_t* end = p + n;
    while (p < end) {
        if (!out.reserve(static_cast<std::size_t>(end - p) + 1))
            return false;
        uint8_t* w = out.end();
        uint16_t bytes = HashConvert::kUnmapped;
        bool atMarker = false;
        while (end - p >= 2) {
            uint16_t unit = loadUnit(p);
            bytes = m_encoder.lookup(unit);
            atMarker = markers && unit == PassThrough::kMarkerUnit;
            if (bytes == HashConvert::kUnmapped || atMarker)
                break;
            if (bytes < 0x100) {
                *w++ = static_cast<uint8_t>(bytes);
            } else {
                w[0] = static_cast<uint8_t>(bytes >> 8);
                w[1] = static_cast<uint8_t>(bytes);
                w += 2;
            }
            p += 2;
        }
        out.commit(w);
        if (p == end)
            break;
        if (end - p < 2) { // a byte left over from an odd length
            allMapped = false;
            handler.onUnmappable(p, 1, out);
            break;
        }
        if (atMarker) {
            std::size_t taken = handler.onMarker(p, static_cast<std::size_t>(end - p), out);
            if (taken != 0) {
                p += taken;
                continue;
            }
        }
        if (bytes != HashConvert::kUnmapped) {
            uint8_t mapped[2] = {static_cast<uint8_t>(bytes >> 8), static_cast<uint8_t>(bytes)};
            if (bytes < 0x100)
                out.appendByte(mapped[1]);
            else
                out.append(mapped, 2);
        } else {
            allMapped = false;
            handler.onUnmappable(p, 2, out);
        }
        p += 2;
    }
    return allMapped;
}
