// The code page identifiers the conversion engine treats specially, and the system code pages.
// Character sets are named by Windows code page numbers throughout the library; 0 means none.
#pragma once

namespace CodePages {

constexpr unsigned kUtf16Le = 1200;
constexpr unsigned kUtf16Be = 1201;
constexpr unsigned kUtf7 = 65000;
constexpr unsigned kUtf8 = 65001;
constexpr unsigned kUtf32Le = 65005;
constexpr unsigned kUtf32Be = 65006;

constexpr unsigned kShiftJis = 932;
constexpr unsigned kKorean = 949;
constexpr unsigned kIso2022JpFirst = 50220; // half-width katakana sent as full-width
constexpr unsigned kIso2022JpEscKana = 50221; // half-width katakana after ESC ( I
constexpr unsigned kIso2022JpLast = 50222; // half-width katakana between SO and SI
constexpr unsigned kIso2022Kr = 50225;
constexpr unsigned kMacArabic = 10004;
constexpr unsigned kIsoArabic = 28596;
constexpr unsigned kWindowsLatin1 = 1252;
constexpr unsigned kDosLatinUs = 437;
constexpr unsigned kUsAscii = 20127;
constexpr unsigned kIsoLatin1 = 28591;
constexpr unsigned kIsoLatin2 = 28592;

// The crawler was made for a Western European Windows system; its ANSI and OEM code pages are
// fixed here instead of being asked from the system.
constexpr unsigned SystemAnsiCodePage() {
    return kWindowsLatin1;
}
constexpr unsigned SystemOemCodePage() {
    return kDosLatinUs;
}

constexpr bool IsIso2022Jp(unsigned codePage) {
    return codePage >= kIso2022JpFirst && codePage <= kIso2022JpLast;
}

} // namespace CodePages
