// EncodingConvert: the order of a conversion, the two-step path through UTF-16LE and the error
// actions. The codecs (CodePageTable, EncodingUtf8, EncodingUtf7, Japanese, Korean, MacArabic)
// find what they cannot convert; StepHandler decides what stands in its place.
#include "charset/encoding_convert.h"

#include "base/data_buffer.h"
#include "base/log_base.h"
#include "charset/code_page_names.h"
#include "charset/code_page_table.h"
#include "charset/code_pages.h"
#include "charset/conv_buffer.h"
#include "charset/direct_paths.h"
#include "charset/encoding_utf7.h"
#include "charset/encoding_utf8.h"
#include "charset/japanese.h"
#include "charset/korean.h"
#include "charset/mac_arabic.h"
#include "charset/unmappable_handler.h"

#include <cstring>
#include <utility>

using namespace CodePages;

namespace {

// Where the output of an error action goes.
enum class Output {
    Utf16,  // UTF-16LE text, the result of a direct decoding step
    Marked, // UTF-16LE text that a second step encodes: the output rides in a pass-through marker
    Bytes,  // the bytes of the destination code page
};

// A DataBuffer holding a result stays below 2^31 bytes, far from the 32-bit limit of its sizes.
constexpr uint64_t kMaxResultBytes = 0x7FFFFFFF;

bool isUtf16(unsigned cp) {
    return cp == kUtf16Le || cp == kUtf16Be;
}

bool isUtf32(unsigned cp) {
    return cp == kUtf32Le || cp == kUtf32Be;
}

bool isUnicodeForm(unsigned cp) {
    return isUtf16(cp) || isUtf32(cp) || cp == kUtf7 || cp == kUtf8;
}

bool hasDecodeTable(unsigned cp) {
    const CodePageTable* table = CodePageTable::Get(cp);
    return table != nullptr && table->canDecode();
}

void swapPairs(const uint8_t* p, std::size_t n, ConvBuffer& out) {
    if (!out.reserve(n))
        return;
    uint8_t* w = out.end();
    std::size_t i = 0;
    for (; i + 2 <= n; i += 2) {
        w[i] = p[i + 1];
        w[i + 1] = p[i];
    }
    if (i < n)
        w[i] = p[i];
    out.commit(w + n);
}

// "&#x", the bytes as upper-case hex digits, ";"; answers the length.
unsigned formatReference(const uint8_t* unit, unsigned n, char* text) {
    static const char kHex[] = "0123456789ABCDEF";
    unsigned len = 0;
    text[len++] = '&';
    text[len++] = '#';
    text[len++] = 'x';
    for (unsigned i = 0; i < n; ++i) {
        text[len++] = kHex[unit[i] >> 4];
        text[len++] = kHex[unit[i] & 0x0F];
    }
    text[len++] = ';';
    return len;
}

} // namespace

// The error actions of one conversion step. `stepSource` and `stepDestination` are the code
// pages the step converts between (for error action 6); `destination` is the table of a
// table-driven destination of an encoding step (null for UTF-8); `swappedInput` says the step
// reads UTF-16 that was big-endian in the caller's input, so units are reported in their
// original byte order.
class EncodingConvert::StepHandler : public UnmappableHandler {
public:
    StepHandler(EncodingConvert& owner, Output output, unsigned stepSource, unsigned stepDestination,
                const CodePageTable* destination, bool swappedInput, bool passMarkers)
        : m_owner(owner), m_output(output), m_stepSource(stepSource), m_stepDestination(stepDestination),
          m_destination(destination), m_swappedInput(swappedInput), m_passMarkers(passMarkers) {}

    void onUnmappable(const uint8_t* unit, unsigned n, ConvBuffer& out) override {
        uint8_t original[2] = {unit[0], n > 1 ? unit[1] : uint8_t{0}};
        if (m_swappedInput && n == 2)
            std::swap(original[0], original[1]);
        switch (m_owner.m_errorAction) {
        case kWriteSubstitute:
            writeBytes(m_owner.m_substitute, m_owner.m_substituteSize, out);
            break;
        case kWriteHexReference:
            writeReference(original, n, out);
            break;
        case kWriteAlternative:
            writeAlternative(unit, n, out);
            break;
        case kWriteRaw:
            writeBytes(original, n, out);
            break;
        default:
            break;
        }
    }

    bool passesMarkers() const override { return m_passMarkers; }

    std::size_t onMarker(const uint8_t* p, std::size_t avail, ConvBuffer& out) override {
        if (avail < 3)
            return 0;
        uint8_t kind = p[2];
        std::size_t length = 0;
        if (kind >= 1 && kind <= PassThrough::kMaxRawKind)
            length = kind;
        else if (kind == PassThrough::kReferenceToByte)
            length = 6;
        else if (kind == PassThrough::kReferenceToPair)
            length = 8;
        if (length == 0 || avail - 3 < length)
            return 0;
        const uint8_t* payload = p + 3;
        if (kind <= PassThrough::kMaxRawKind) {
            out.append(payload, length);
        } else {
            if (std::memcmp(payload, "&#x", 3) != 0)
                return 0;
            writeText(reinterpret_cast<const char*>(payload), length, out);
        }
        return 3 + length;
    }

private:
    // Bytes for the destination as they are: on a first step inside markers of at most four.
    void writeBytes(const uint8_t* bytes, std::size_t n, ConvBuffer& out) {
        if (m_output != Output::Marked) {
            out.append(bytes, n);
            return;
        }
        while (n > 0) {
            std::size_t chunk = n < PassThrough::kMaxRawKind ? n : PassThrough::kMaxRawKind;
            out.appendUnit(PassThrough::kMarkerUnit);
            out.appendByte(static_cast<uint8_t>(chunk));
            out.append(bytes, chunk);
            bytes += chunk;
            n -= chunk;
        }
    }

    void writeReference(const uint8_t* unit, unsigned n, ConvBuffer& out) {
        char text[3 + 2 * 2 + 1];
        unsigned length = formatReference(unit, n, text);
        if (m_output == Output::Marked) {
            out.appendUnit(PassThrough::kMarkerUnit);
            out.appendByte(n == 1 ? PassThrough::kReferenceToByte : PassThrough::kReferenceToPair);
            out.append(text, length);
            return;
        }
        writeText(text, length, out);
    }

    // ASCII characters in the form of the output: UTF-16 units, or the destination's bytes (the
    // ASCII byte itself when the destination has no other).
    void writeText(const char* text, std::size_t n, ConvBuffer& out) {
        for (std::size_t i = 0; i < n; ++i) {
            uint8_t c = static_cast<uint8_t>(text[i]);
            if (m_output == Output::Utf16) {
                out.appendUnit(c);
                continue;
            }
            uint16_t bytes = m_destination != nullptr ? m_destination->encodeUnit(c) : HashConvert::kUnmapped;
            if (bytes == HashConvert::kUnmapped || bytes < 0x100) {
                out.appendByte(bytes == HashConvert::kUnmapped ? c : static_cast<uint8_t>(bytes));
            } else {
                out.appendByte(static_cast<uint8_t>(bytes >> 8));
                out.appendByte(static_cast<uint8_t>(bytes));
            }
        }
    }

    // The unit converted alone, with no error action of its own, from the step's source to the
    // alternative code page or else the step's destination.
    void writeAlternative(const uint8_t* unit, unsigned n, ConvBuffer& out) {
        unsigned target = m_owner.m_altCodePage != 0 ? m_owner.m_altCodePage : m_stepDestination;
        EncodingConvert alone;
        ConvBuffer converted;
        alone.convertInto(m_stepSource, target, unit, n, converted);
        if (!converted.overflowed())
            writeBytes(converted.data(), converted.size(), out);
    }

    EncodingConvert& m_owner;
    Output m_output;
    unsigned m_stepSource;
    unsigned m_stepDestination;
    const CodePageTable* m_destination;
    bool m_swappedInput;
    bool m_passMarkers;
};

bool EncodingConvert::setSubstitute(const void* bytes, unsigned n) {
    if (n > kMaxSubstitute || (bytes == nullptr && n > 0))
        return false;
    if (n > 0)
        std::memcpy(m_substitute, bytes, n);
    m_substituteSize = n;
    return true;
}

bool EncodingConvert::CanDecode(unsigned codePage) {
    if (isUnicodeForm(codePage))
        return true;
    if (IsIso2022Jp(codePage))
        return hasDecodeTable(kShiftJis);
    if (codePage == kIso2022Kr)
        return hasDecodeTable(kKorean);
    return hasDecodeTable(codePage);
}

bool EncodingConvert::CanEncode(unsigned codePage) {
    if (isUnicodeForm(codePage))
        return true;
    if (IsIso2022Jp(codePage))
        return CodePageTable::Get(kShiftJis) != nullptr;
    if (codePage == kIso2022Kr)
        return CodePageTable::Get(kKorean) != nullptr;
    return CodePageTable::Get(codePage) != nullptr;
}

bool EncodingConvert::Convert(unsigned fromCodePage, unsigned toCodePage, const unsigned char* data,
                              unsigned length, DataBuffer& out, LogBase* log) {
    m_log = log;
    m_fromCodePage = fromCodePage;
    m_toCodePage = toCodePage;
    if (data == nullptr)
        length = 0;
    if (length > kMaxInputLength) {
        if (log != nullptr) {
            log->LogError("Input too large to convert");
            log->LogDataLong("length", static_cast<int>(length & 0x7FFFFFFF));
        }
        return false;
    }
    ConvBuffer result;
    bool ok = convertInto(fromCodePage, toCodePage, data, length, result);
    m_decoding = false;
    m_encoding = false;
    m_log = nullptr;
    if (result.overflowed() || uint64_t{out.getSize()} + result.size() > kMaxResultBytes) {
        if (log != nullptr)
            log->LogError("Conversion result too large");
        return false;
    }
    out.append(result.data(), static_cast<unsigned>(result.size()));
    return ok;
}

bool EncodingConvert::ConvertByName(const char* fromCharset, const char* toCharset, const unsigned char* data,
                                    unsigned length, DataBuffer& out, LogBase* log) {
    unsigned from = CodePageFromName(fromCharset);
    unsigned to = CodePageFromName(toCharset);
    if (from == 0 || to == 0) {
        if (log != nullptr) {
            log->LogError("Unknown charset name");
            log->LogData("charset",
                         from == 0 ? (fromCharset ? fromCharset : "") : (toCharset ? toCharset : ""));
        }
        return false;
    }
    return Convert(from, to, data, length, out, log);
}

bool EncodingConvert::ConvertFromName(const char* fromCharset, unsigned toCodePage, const unsigned char* data,
                                      unsigned length, DataBuffer& out, LogBase* log) {
    unsigned from = CodePageFromName(fromCharset);
    if (from == 0) {
        if (log != nullptr) {
            log->LogError("Unknown charset name");
            log->LogData("charset", fromCharset ? fromCharset : "");
        }
        return false;
    }
    return Convert(from, toCodePage, data, length, out, log);
}

bool EncodingConvert::ConvertToName(unsigned fromCodePage, const char* toCharset, const unsigned char* data,
                                    unsigned length, DataBuffer& out, LogBase* log) {
    unsigned to = CodePageFromName(toCharset);
    if (to == 0) {
        if (log != nullptr) {
            log->LogError("Unknown charset name");
            log->LogData("charset", toCharset ? toCharset : "");
        }
        return false;
    }
    return Convert(fromCodePage, to, data, length, out, log);
}

bool EncodingConvert::ConvertFromAnsi(unsigned toCodePage, const unsigned char* data, unsigned length,
                                      DataBuffer& out, LogBase* log) {
    return Convert(SystemAnsiCodePage(), toCodePage, data, length, out, log);
}

bool EncodingConvert::ConvertToAnsi(unsigned fromCodePage, const unsigned char* data, unsigned length,
                                    DataBuffer& out, LogBase* log) {
    return Convert(fromCodePage, SystemAnsiCodePage(), data, length, out, log);
}

bool EncodingConvert::supported(unsigned from, unsigned to) {
    bool canDecode = CanDecode(from);
    bool canEncode = CanEncode(to);
    if ((!canDecode || !canEncode) && m_log != nullptr) {
        m_log->LogError("Code page not supported");
        m_log->LogDataLong("codePage", static_cast<int>(canDecode ? to : from));
    }
    return canDecode && canEncode;
}

// Steps 1 to 3 of a conversion: equal code pages, the ISO-2022 sources, Mac Arabic.
bool EncodingConvert::convertInto(unsigned from, unsigned to, const uint8_t* p, std::size_t n,
                                  ConvBuffer& out) {
    if (from == to)
        return out.append(p, n);
    if (n == 0)
        return supported(from, to);
    if (IsIso2022Jp(from) || from == kIso2022Kr) {
        ConvBuffer decoded;
        bool ok = IsIso2022Jp(from) ? Japanese::toShiftJis(p, n, decoded) : Korean::toCode949(p, n, decoded);
        if (decoded.overflowed())
            return false;
        unsigned next = IsIso2022Jp(from) ? kShiftJis : kKorean;
        return convertInto(next, to, decoded.data(), decoded.size(), out) && ok;
    }
    if (from == kMacArabic) {
        ConvBuffer logical;
        if (!MacArabic::toLogicalOrder(p, n, logical))
            return false;
        return convertPrepared(from, to, logical.data(), logical.size(), out);
    }
    return convertPrepared(from, to, p, n, out);
}

// Steps 4 and 5 on a prepared source.
bool EncodingConvert::convertPrepared(unsigned from, unsigned to, const uint8_t* p, std::size_t n,
                                      ConvBuffer& out) {
    if (from == to)
        return out.append(p, n);
    if (to == kUtf7 || isUtf32(to) || to == kUtf16Be || IsIso2022Jp(to) || to == kIso2022Kr)
        return unicodeDestination(from, to, p, n, out);
    return generalStep(from, to, p, n, out);
}

// Step 4: destinations reached through another form.
bool EncodingConvert::unicodeDestination(unsigned from, unsigned to, const uint8_t* p, std::size_t n,
                                         ConvBuffer& out) {
    unsigned via = kUtf16Le;
    if (isUtf32(to))
        via = kUtf8;
    else if (IsIso2022Jp(to))
        via = kShiftJis;
    else if (to == kIso2022Kr)
        via = kKorean;
    if (!CanEncode(to))
        return supported(from, to);

    ConvBuffer mid;
    bool ok = convertPrepared(from, via, p, n, mid);
    if (mid.overflowed())
        return false;
    const uint8_t* q = mid.data();
    std::size_t m = mid.size();
    if (to == kUtf7)
        return EncodingUtf7::encode(q, m, out) && ok;
    if (isUtf32(to))
        return EncodingUtf8::toUtf32(q, m, to == kUtf32Be, out) && ok;
    if (to == kUtf16Be) {
        swapPairs(q, m, out);
        return ok;
    }
    if (IsIso2022Jp(to))
        return Japanese::fromShiftJis(to, q, m, out) && ok;
    return Korean::fromCode949(q, m, out) && ok;
}

// Step 5: byte-order marks, the Unicode forms brought to UTF-16LE or UTF-8, then one step or two.
bool EncodingConvert::generalStep(unsigned from, unsigned to, const uint8_t* p, std::size_t n,
                                  ConvBuffer& out) {
    if (!supported(from, to))
        return false;
    bool bigEndian = from == kUtf16Be || from == kUtf32Be;
    if (from == kUtf8 && n >= 3 && p[0] == 0xEF && p[1] == 0xBB && p[2] == 0xBF) {
        p += 3;
        n -= 3;
    } else if (isUtf16(from) && n >= 2 &&
               ((p[0] == 0xFE && p[1] == 0xFF) || (p[0] == 0xFF && p[1] == 0xFE))) {
        bigEndian = p[0] == 0xFE;
        p += 2;
        n -= 2;
    }
    if (n == 0)
        return true;

    bool ok = true;
    ConvBuffer staged;
    unsigned stepFrom = from;
    bool swapped = false;
    if (isUtf16(from)) {
        stepFrom = kUtf16Le;
        if (bigEndian) {
            swapPairs(p, n, staged);
            swapped = true;
        }
    } else if (isUtf32(from)) {
        stepFrom = kUtf8;
        ok = EncodingUtf8::fromUtf32(p, n, bigEndian, staged);
    }
    if (swapped || isUtf32(from)) {
        if (staged.overflowed())
            return false;
        p = staged.data();
        n = staged.size();
    }

    if (stepFrom == to)
        return out.append(p, n) && ok;
    if (stepFrom == kUtf16Le)
        return encodeStep(to, p, n, false, swapped, out) && ok;
    if (to == kUtf16Le)
        return decodeStep(stepFrom, to, p, n, false, out) && ok;

    if (directStep(stepFrom, to, p, n, out))
        return ok;

    ConvBuffer mid;
    m_decoding = true;
    ok = decodeStep(stepFrom, to, p, n, true, mid) && ok;
    m_decoding = false;
    if (mid.overflowed())
        return false;
    m_encoding = true;
    ok = encodeStep(to, mid.data(), mid.size(), true, false, out) && ok;
    m_encoding = false;
    return ok;
}

// The shortcut between a table-driven code page and UTF-8 for text that converts cleanly; false,
// with nothing appended, when the two-step path has to run.
bool EncodingConvert::directStep(unsigned from, unsigned to, const uint8_t* p, std::size_t n,
                                 ConvBuffer& out) {
    if (to == kUtf8 && from != kUtf8 && from != kUtf7) {
        const CodePageTable* table = CodePageTable::Get(from);
        return table != nullptr && DirectPaths::codePageToUtf8(*table, p, n, out);
    }
    if (from == kUtf8 && to != kUtf7) {
        const CodePageTable* table = CodePageTable::Get(to);
        return table != nullptr && DirectPaths::utf8ToSingleByte(*table, p, n, out);
    }
    return false;
}

// Bytes to UTF-16LE: directly to a UTF-16LE destination, or as the first of two steps.
bool EncodingConvert::decodeStep(unsigned from, unsigned to, const uint8_t* p, std::size_t n, bool twoStep,
                                 ConvBuffer& out) {
    StepHandler handler(*this, twoStep ? Output::Marked : Output::Utf16, from, to, nullptr, false, false);
    if (from == kUtf8)
        return EncodingUtf8::decodeToUtf16(p, n, out, handler);
    if (from == kUtf7)
        return EncodingUtf7::decode(p, n, out, handler);
    return CodePageTable::Get(from)->decode(p, n, out, handler);
}

// UTF-16LE to bytes: directly from a UTF-16 source, or as the second of two steps, which passes
// the markers of the first step through.
bool EncodingConvert::encodeStep(unsigned to, const uint8_t* p, std::size_t n, bool twoStep,
                                 bool swappedInput, ConvBuffer& out) {
    const CodePageTable* table = to == kUtf8 ? nullptr : CodePageTable::Get(to);
    StepHandler handler(*this, Output::Bytes, kUtf16Le, to, table, swappedInput, twoStep);
    if (to == kUtf8)
        return EncodingUtf8::encodeFromUtf16(p, n, out, handler);
    return table->encode(p, n, out, handler);
}
