#include "analysis/page_fetch.h"

#include "analysis/dead_page.h"
#include "analysis/html_help.h"
#include "analysis/links.h"
#include "analysis/site_analyzer.h"
#include "base/ascii.h"
#include "base/cls_string_array.h"
#include "base/ext_ptr_array.h"
#include "base/string_buffer.h"
#include "base/url_parse.h"
#include "http/limits.h"
#include "markup/cls_xml.h"

#include <algorithm>
#include <array>
#include <climits>
#include <cstring>
#include <strings.h>

namespace {

constexpr int kMaxFrames = 4;
constexpr int kMaxInlineFrames = 2;

// How often each byte turns up in pages, as a rank: letters by their frequency in English text,
// rarest lowest; every other byte above all letters, as markup is full of signs.
constexpr auto kByteRank = [] {
    std::array<unsigned char, 256> rank{};
    rank.fill(UCHAR_MAX);
    constexpr const char* kLettersRarestFirst = "zqxjkvbpygfwmucldrhsnioate";
    for (unsigned char r = 0; kLettersRarestFirst[r] != '\0'; ++r) {
        auto letter = static_cast<unsigned char>(kLettersRarestFirst[r]);
        rank[letter] = r;
        rank[letter - 'a' + 'A'] = r;
    }
    return rank;
}();

// ASCII case-insensitive substring search. memchr finds the candidates for either case of the
// needle's rarest byte, and the byte beside it is compared before the whole needle.
bool containsSb(const StringBuffer& haystack, const char* needle) {
    size_t n = std::strlen(needle);
    if (n == 0)
        return true;
    size_t length = static_cast<size_t>(haystack.getSize());
    if (n > length)
        return false;
    size_t anchor = 0;
    for (size_t i = 1; i < n; ++i) {
        if (kByteRank[static_cast<unsigned char>(needle[i])] <
            kByteRank[static_cast<unsigned char>(needle[anchor])])
            anchor = i;
    }
    size_t beside = anchor + 1 < n ? anchor + 1 : anchor - (n > 1 ? 1 : 0);
    char besideLower = lowerAscii(needle[beside]);
    char one = lowerAscii(needle[anchor]);
    char other = upperAscii(one);
    // The anchor byte of every whole placement of the needle lies in [from, to).
    const char* text = haystack.getString();
    const char* from = text + anchor;
    const char* to = text + length - (n - 1 - anchor);
    auto next = [to](const char* at, char c) {
        return static_cast<const char*>(std::memchr(at, c, static_cast<size_t>(to - at)));
    };
    const char* atOne = next(from, one);
    const char* atOther = other == one ? nullptr : next(from, other);
    while (atOne != nullptr || atOther != nullptr) {
        const char* at = atOne == nullptr ? atOther : atOther == nullptr ? atOne : std::min(atOne, atOther);
        const char* start = at - anchor;
        // The text ends at its first NUL byte, as a C string does.
        if (lowerAscii(start[beside]) == besideLower && strncasecmp(start, needle, n) == 0)
            return std::memchr(text, '\0', static_cast<size_t>(start - text)) == nullptr;
        if (at == atOne)
            atOne = next(at + 1, one);
        else
            atOther = next(at + 1, other);
    }
    return false;
}

// The frame source of an element: src, SRC or Src, without a leading "./".
void frameSource(const ClsXml& element, StringBuffer& src) {
    src.clear();
    for (const char* name : {"src", "SRC", "Src"}) {
        element.GetAttrValue(name, src);
        if (src.getSize() > 0)
            break;
    }
    if (src.beginsWith("./"))
        src.removeChunk(0, 2);
}

} // namespace

int refreshScore(const StringBuffer& current, const StringBuffer& target) {
    int score = current.getSize() > target.getSize() ? 10 : -10;
    if (containsSb(current, "<title>"))
        score += 8;
    if (containsSb(target, "<title>"))
        score -= 8;
    if (containsSb(current, "google_ad_client"))
        score += 25;
    if (containsSb(target, "<google_ad_client>"))
        score -= 25;
    if (containsSb(current, "charset"))
        score += 2;
    if (containsSb(target, "<charset>"))
        score -= 2;
    if (containsSb(current, "name=\"Description\""))
        score += 8;
    if (containsSb(target, "name=\"Description\""))
        score -= 8;
    return score;
}

namespace {

// One page being fetched: where it came from, its text and tree, and what it is read in.
struct Fetch {
    Fetch(SiteAnalyzer& analyzer, int depth, PageSource& http, ClsStringArray& visitedUrls)
        : analyzer(analyzer), depth(depth), http(http), visitedUrls(visitedUrls), page(html) {}

    SiteAnalyzer& analyzer;
    int depth;
    PageSource& http;
    ClsStringArray& visitedUrls;
    StringBuffer host, path;
    StringBuffer html;
    // Converted once, and again only when a refresh or frames change the page.
    PageTree page;
    // The page handed back is read in its own encoding, whatever its frames were read in.
    unsigned codePage = 0;
    StringBuffer charset;

    bool tooLongForQuickMode() const { return analyzer.quickMode && html.getSize() >= kQuickModePageLimit; }
    void takeEncoding() {
        codePage = http.GetPageCodePage();
        http.GetPageCharset(charset);
    }
};

// Downloads `url` into `html`; false on failure or when it shows a dead-page phrase.
bool download(PageSource& http, const char* url, StringBuffer& html) {
    if (!http.QuickGetHtml(url, html))
        return false;
    if (const char* phrase = findDeadPagePhrase(html.getString()); phrase != nullptr) {
        http.NoteFailure(deadPageCause(phrase), phrase);
        return false;
    }
    return true;
}

// The page's own links, refresh and frames are relative to where the redirects ended.
void takeRedirectEnd(Fetch& f, const char* url, StringBuffer& outPath) {
    if (!f.http.GetWasRedirected())
        return;
    StringBuffer finalUrl;
    f.http.GetFinalRedirectUrl(finalUrl);
    if (finalUrl.getSize() > 0 && !finalUrl.equals(url)) {
        getUrlHost(finalUrl.getString(), f.host);
        getUrlPath(finalUrl.getString(), f.path);
        outPath.setSb(f.path);
    }
}

enum class Refresh { None, Followed, Unanswered, DeadTarget };

// Follows a meta refresh: the site's own next page replaces this one, another host's only when it
// looks better. A target already visited or not answering leaves the page as it is, frames and
// all; a dead target makes this page none either.
Refresh followRefresh(Fetch& f, StringBuffer& outPath) {
    if (f.tooLongForQuickMode() || !containsSb(f.html, "http-equiv") || !containsSb(f.html, "refresh"))
        return Refresh::None;
    StringBuffer target;
    getRefreshUrl(f.page.tree(), target);
    if (target.getSize() == 0)
        return Refresh::None;
    StringBuffer resolved;
    resolveUrl(f.host.getString(), f.path, target, resolved);
    getUrlPath(resolved.getString(), outPath);
    if (f.visitedUrls.Contains(resolved.getString()))
        return Refresh::Unanswered;
    StringBuffer targetHost;
    getUrlHost(resolved.getString(), targetHost);
    f.visitedUrls.Append(resolved.getString());
    StringBuffer targetHtml;
    if (!f.http.QuickGetHtml(resolved.getString(), targetHtml))
        return Refresh::Unanswered;
    // A page that sends its visitors on to a parked or dead page is as good as that page.
    if (const char* phrase = findDeadPagePhrase(targetHtml.getString()); phrase != nullptr) {
        f.http.NoteFailure(deadPageCause(phrase), phrase);
        return Refresh::DeadTarget;
    }
    if (targetHost.equalsIgnoreCase(f.host.getString()) || refreshScore(f.html, targetHtml) < 0) {
        targetHtml.replaceAll("&nbsp;", " ");
        f.html.swap(targetHtml);
        f.page.changed();
        f.host.setSb(targetHost);
        f.takeEncoding();
    }
    return Refresh::Followed;
}

// Appends the content of the page's frames (`tag` "frame") or inline frames ("iframe"), the first
// `limit` of them, each fetched as a page of its own one level deeper. An inline frame already
// visited is passed over, and a failing one ends the walk.
void appendFrames(Fetch& f, const char* marker, const char* tag, int limit) {
    if (f.tooLongForQuickMode() || !containsSb(f.html, marker))
        return;
    bool inlineFrames = std::strcmp(tag, "iframe") == 0;
    ExtPtrArray frames;
    f.page.tree().CollectTags(tag, frames);
    StringBuffer appended;
    for (int i = 0; i < frames.getSize() && i < limit; ++i) {
        StringBuffer src;
        frameSource(*static_cast<ClsXml*>(frames.elementAt(i)), src);
        if (src.getSize() == 0)
            continue;
        StringBuffer resolved;
        resolveUrl(f.host.getString(), f.path, src, resolved);
        if ((inlineFrames && f.visitedUrls.Contains(resolved.getString())) ||
            !isOnSite(f.host.getString(), resolved))
            continue;
        StringBuffer frameHtml, framePath;
        if (!fetchPage(f.analyzer, f.depth + 1, f.http, resolved.getString(), frameHtml, framePath,
                       f.visitedUrls)) {
            if (inlineFrames)
                break;
            continue;
        }
        appended.appendChar('\n');
        appended.appendSb(frameHtml);
    }
    frames.removeAllObjects();
    if (appended.getSize() > 0) {
        f.html.appendSb(appended);
        f.page.changed();
    }
}

} // namespace

bool fetchPage(SiteAnalyzer& analyzer, int depth, PageSource& http, const char* url, StringBuffer& outHtml,
               StringBuffer& outPath, ClsStringArray& visitedUrls, StringBuffer* outHost) {
    outHtml.clear();
    outPath.clear();
    if (outHost != nullptr)
        outHost->clear();
    if (url == nullptr || visitedUrls.Contains(url))
        return false;
    visitedUrls.Append(url);
    if (depth > kMaxFetchDepth)
        return false;

    Fetch f(analyzer, depth, http, visitedUrls);
    http.SetFollowRedirects(true);
    getUrlHost(url, f.host);
    getUrlPath(url, f.path);
    outPath.setSb(f.path);
    if (!download(http, url, f.html))
        return false;
    f.takeEncoding();
    takeRedirectEnd(f, url, outPath);
    f.html.replaceAll("&nbsp;", " ");
    Refresh refresh = followRefresh(f, outPath);
    if (refresh == Refresh::DeadTarget)
        return false;
    if (refresh != Refresh::Unanswered) {
        appendFrames(f, "frameset", "frame", kMaxFrames);
        appendFrames(f, "iframe", "iframe", kMaxInlineFrames);
    }

    http.SetPageEncoding(f.codePage, f.charset);
    outHtml.swap(f.html);
    if (outHost != nullptr)
        outHost->setSb(f.host);
    return true;
}

void PageMemo::Facts::copyFrom(const Facts& other) {
    ok = other.ok;
    wasRedirected = other.wasRedirected;
    finalUrl.setSb(other.finalUrl);
    codePage = other.codePage;
    charset.setSb(other.charset);
}

PageMemo::PageMemo(PageSource& source) : m_source(source), m_answers(HttpLimits::kMaxMemoPages) {}

bool PageMemo::QuickGetHtml(const char* url, StringBuffer& html) {
    const char* key = url == nullptr ? "" : url;
    if (const auto* kept = static_cast<const Answer*>(m_answers.hashLookup(key))) {
        m_last.copyFrom(kept->facts);
        html.setSb(kept->html);
        return m_last.ok;
    }
    // The source fills the caller's buffer; the memo keeps a copy of its own.
    m_last.ok = m_source.QuickGetHtml(url, html);
    m_last.wasRedirected = m_source.GetWasRedirected();
    m_source.GetFinalRedirectUrl(m_last.finalUrl);
    m_last.codePage = m_source.GetPageCodePage();
    m_source.GetPageCharset(m_last.charset);
    unsigned size = static_cast<unsigned>(html.getSize());
    if (m_count < static_cast<int>(HttpLimits::kMaxMemoPages) &&
        m_bytes + size <= HttpLimits::kMaxMemoBytes) {
        auto* kept = new Answer();
        kept->facts.copyFrom(m_last);
        kept->html.setSb(html);
        m_answers.hashInsert(key, kept);
        ++m_count;
        m_bytes += size;
    }
    return m_last.ok;
}

void PageMemo::SetPageEncoding(unsigned codePage, const StringBuffer& label) {
    m_last.codePage = codePage;
    m_last.charset.setSb(label);
    m_source.SetPageEncoding(codePage, label);
}
