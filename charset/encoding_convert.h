// EncodingConvert: one conversion context. Converts byte strings between any two supported
// encodings through UTF-16: the Unicode forms (UTF-7, UTF-8, UTF-16 and UTF-32 in both byte
// orders), ISO-2022-JP and ISO-2022-KR, and the table-driven code pages of CodePageTable. Its
// settings say what stands in place of a character that cannot be converted. Cheap to create;
// one object belongs to one thread at a time, while any number of objects may convert at once.
#pragma once

#include <cstddef>
#include <cstdint>

class ConvBuffer;
class DataBuffer;
class LogBase;

class EncodingConvert {
public:
    // What is written in place of a character without a mapping. The result is false whatever
    // the action.
    enum ErrorAction {
        kWriteNothing = 0,
        kWriteSubstitute = 1,   // the substitute bytes
        kWriteHexReference = 2, // "&#x", each byte of the unit as two upper-case hex digits, ";"
        kWriteAlternative = 6,  // the unit converted alone to altCodePage (or the destination)
        kWriteRaw = 7,          // the unit's bytes unchanged
    };
    static constexpr unsigned kMaxSubstitute = 4;
    // Longer inputs are refused, so that no size in a conversion comes near 32 bits.
    static constexpr unsigned kMaxInputLength = 256u << 20;

    EncodingConvert() = default;

    void setErrorAction(int action) { m_errorAction = action; }
    int getErrorAction() const { return m_errorAction; }
    // The code page of error action 6; 0 means the destination.
    void setAltCodePage(unsigned codePage) { m_altCodePage = codePage; }
    unsigned getAltCodePage() const { return m_altCodePage; }
    // Up to kMaxSubstitute bytes; false, leaving the substitute unchanged, when there are more.
    bool setSubstitute(const void* bytes, unsigned n);
    unsigned getSubstituteSize() const { return m_substituteSize; }

    // Appends the converted bytes to `out`. True when every character could be converted (or
    // the input is empty); false when a code page is not supported or a character has no
    // mapping in its source or destination. An input above kMaxInputLength, or a result that
    // would pass ConvBuffer's limit or DataBuffer's 32-bit size, appends nothing and answers
    // false. Reasons go to `log` when one is given.
    bool Convert(unsigned fromCodePage, unsigned toCodePage, const unsigned char* data, unsigned length,
                 DataBuffer& out, LogBase* log = nullptr);
    // The same with either side, or both, named (CodePageFromName); an unknown name answers false
    // at once, appending nothing.
    bool ConvertByName(const char* fromCharset, const char* toCharset, const unsigned char* data,
                       unsigned length, DataBuffer& out, LogBase* log = nullptr);
    bool ConvertFromName(const char* fromCharset, unsigned toCodePage, const unsigned char* data,
                         unsigned length, DataBuffer& out, LogBase* log = nullptr);
    bool ConvertToName(unsigned fromCodePage, const char* toCharset, const unsigned char* data,
                       unsigned length, DataBuffer& out, LogBase* log = nullptr);
    // The same with the system's ANSI code page on one side.
    bool ConvertFromAnsi(unsigned toCodePage, const unsigned char* data, unsigned length, DataBuffer& out,
                         LogBase* log = nullptr);
    bool ConvertToAnsi(unsigned fromCodePage, const unsigned char* data, unsigned length, DataBuffer& out,
                       LogBase* log = nullptr);

    // Whether the engine can read text in a code page, and write text in it.
    static bool CanDecode(unsigned codePage);
    static bool CanEncode(unsigned codePage);

    // The conversion in progress: its code pages, and which step of a two-step conversion runs
    // (decoding: bytes to UTF-16; encoding: UTF-16 to bytes).
    unsigned getFromCodePage() const { return m_fromCodePage; }
    unsigned getToCodePage() const { return m_toCodePage; }
    bool isDecoding() const { return m_decoding; }
    bool isEncoding() const { return m_encoding; }

private:
    class StepHandler;
    friend class StepHandler;

    bool convertInto(unsigned from, unsigned to, const uint8_t* p, std::size_t n, ConvBuffer& out);
    bool convertPrepared(unsigned from, unsigned to, const uint8_t* p, std::size_t n, ConvBuffer& out);
    bool unicodeDestination(unsigned from, unsigned to, const uint8_t* p, std::size_t n, ConvBuffer& out);
    bool generalStep(unsigned from, unsigned to, const uint8_t* p, std::size_t n, ConvBuffer& out);
    bool directStep(unsigned from, unsigned to, const uint8_t* p, std::size_t n, ConvBuffer& out);
    bool decodeStep(unsigned from, unsigned to, const uint8_t* p, std::size_t n, bool twoStep,
                    ConvBuffer& out);
    bool encodeStep(unsigned to, const uint8_t* p, std::size_t n, bool twoStep, bool swappedInput,
                    ConvBuffer& out);
    bool supported(unsigned from, unsigned to);

    int m_errorAction = kWriteNothing;
    unsigned m_altCodePage = 0;
    uint8_t m_substitute[kMaxSubstitute] = {};
    unsigned m_substituteSize = 0;
    unsigned m_fromCodePage = 0;
    unsigned m_toCodePage = 0;
    bool m_decoding = false;
    bool m_encoding = false;
    LogBase* m_log = nullptr;
};
