#include "analysis/page_fetch.h"

#include "analysis/dead_page.h"
#include "analysis/links.h"
#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/ext_ptr_array.h"
#include "base/string_buffer.h"
#include "base/url_parse.h"
#include "base/x_string.h"
#include "http/limits.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"

#include <cstring>
#include <strings.h>

namespace {

constexpr int kMaxFrames = 4;
constexpr int kMaxInlineFrames = 2;

// ASCII case-insensitive substring search.
bool contains(const char* text, const char* needle) {
    size_t n = std::strlen(needle);
    if (n == 0)
        return true;
    unsigned char first = static_cast<unsigned char>(needle[0]);
    unsigned char firstOther = static_cast<unsigned char>((first >= 'a' && first <= 'z')   ? first - 32
                                                          : (first >= 'A' && first <= 'Z') ? first + 32
                                                                                           : first);
    for (const char* p = text; *p != 0; ++p) {
        unsigned char c = static_cast<unsigned char>(*p);
        if ((c == first || c == firstOther) && strncasecmp(p, needle, n) == 0)
            return true;
    }
    return false;
}

bool containsSb(const StringBuffer& text, const char* needle) {
    return contains(text.getString(), needle);
}

// The page as an XML tree.
void toTree(ClsHtmlToXml& converter, const StringBuffer& html, ClsXml& tree) {
    XString page;
    page.setFromUtf8(html.getString());
    converter.put_Html(page);
    XString xmlText;
    converter.ToXml(xmlText);
    tree.LoadXml(xmlText.getUtf8());
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

bool tooLongForQuickMode(const SiteAnalyzer& analyzer, const StringBuffer& html) {
    return analyzer.quickMode && html.getSize() >= kQuickModePageLimit;
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

    http.SetFollowRedirects(true);
    StringBuffer host, path;
    getUrlHost(url, host);
    getUrlPath(url, path);
    outPath.setSb(path);

    StringBuffer html;
    if (!http.QuickGetHtml(url, html))
        return false;
    if (const char* phrase = findDeadPagePhrase(html.getString()); phrase != nullptr) {
        http.NoteFailure(deadPageCause(phrase), phrase);
        return false;
    }
    // The page handed back is read in its own encoding, whatever its frames were read in.
    unsigned codePage = http.GetPageCodePage();
    StringBuffer charset;
    http.GetPageCharset(charset);
    auto handBack = [&](const StringBuffer& page) {
        http.SetPageEncoding(codePage, charset);
        outHtml.setSb(page);
        if (outHost != nullptr)
            outHost->setSb(host);
        return true;
    };
    // The page's own links, refresh and frames are relative to where the redirects ended.
    if (http.GetWasRedirected()) {
        StringBuffer finalUrl;
        http.GetFinalRedirectUrl(finalUrl);
        if (finalUrl.getSize() > 0 && !finalUrl.equals(url)) {
            getUrlHost(finalUrl.getString(), host);
            getUrlPath(finalUrl.getString(), path);
            outPath.setSb(path);
        }
    }
    html.replaceAll("&nbsp;", " ");
    ClsHtmlToXml converter;

    // Meta refresh.
    if (!tooLongForQuickMode(analyzer, html) && containsSb(html, "http-equiv") &&
        containsSb(html, "refresh")) {
        ClsXml tree;
        toTree(converter, html, tree);
        StringBuffer target;
        getRefreshUrl(tree, target);
        if (target.getSize() > 0) {
            StringBuffer resolved;
            resolveUrl(host.getString(), path, target, resolved);
            getUrlPath(resolved.getString(), outPath);
            if (visitedUrls.Contains(resolved.getString()))
                return handBack(html);
            StringBuffer targetHost;
            getUrlHost(resolved.getString(), targetHost);
            visitedUrls.Append(resolved.getString());
            StringBuffer targetHtml;
            if (!http.QuickGetHtml(resolved.getString(), targetHtml))
                return handBack(html);
            // A page that sends its visitors on to a parked or dead page is as good as that page.
            if (const char* phrase = findDeadPagePhrase(targetHtml.getString()); phrase != nullptr) {
                http.NoteFailure(deadPageCause(phrase), phrase);
                return false;
            }
            // The site's own next page replaces this one; another host's only when it looks better.
            if (targetHost.equalsIgnoreCase(host.getString()) || refreshScore(html, targetHtml) < 0) {
                targetHtml.replaceAll("&nbsp;", " ");
                html.setSb(targetHtml);
                host.setSb(targetHost);
                codePage = http.GetPageCodePage();
                http.GetPageCharset(charset);
            }
        }
    }

    // Frames: the first four, each fetched as a page of its own one level deeper.
    if (!tooLongForQuickMode(analyzer, html) && containsSb(html, "frameset")) {
        ClsXml tree;
        toTree(converter, html, tree);
        ExtPtrArray frames;
        tree.CollectTags("frame", frames);
        StringBuffer appended;
        for (int i = 0; i < frames.getSize() && i < kMaxFrames; ++i) {
            StringBuffer src;
            frameSource(*static_cast<ClsXml*>(frames.elementAt(i)), src);
            if (src.getSize() > 0) {
                StringBuffer resolved;
                resolveUrl(host.getString(), path, src, resolved);
                StringBuffer frameHtml, framePath;
                if (isOnSite(host.getString(), resolved) &&
                    fetchPage(analyzer, depth + 1, http, resolved.getString(), frameHtml, framePath,
                              visitedUrls)) {
                    appended.appendChar('\n');
                    appended.appendSb(frameHtml);
                }
            }
        }
        frames.removeAllObjects();
        html.appendSb(appended);
    }

    // Inline frames: the first two; a failing one ends the walk.
    if (!tooLongForQuickMode(analyzer, html) && containsSb(html, "iframe")) {
        ClsXml tree;
        toTree(converter, html, tree);
        ExtPtrArray iframes;
        tree.CollectTags("iframe", iframes);
        StringBuffer appended;
        for (int i = 0; i < iframes.getSize() && i < kMaxInlineFrames; ++i) {
            StringBuffer src;
            frameSource(*static_cast<ClsXml*>(iframes.elementAt(i)), src);
            if (src.getSize() > 0) {
                StringBuffer resolved;
                resolveUrl(host.getString(), path, src, resolved);
                if (!visitedUrls.Contains(resolved.getString()) && isOnSite(host.getString(), resolved)) {
                    StringBuffer frameHtml, framePath;
                    if (!fetchPage(analyzer, depth + 1, http, resolved.getString(), frameHtml, framePath,
                                   visitedUrls))
                        break;
                    appended.appendChar('\n');
                    appended.appendSb(frameHtml);
                }
            }
        }
        iframes.removeAllObjects();
        html.appendSb(appended);
    }
    return handBack(html);
}

void PageMemo::Answer::copyFrom(const Answer& other) {
    ok = other.ok;
    html.setSb(other.html);
    wasRedirected = other.wasRedirected;
    finalUrl.setSb(other.finalUrl);
    codePage = other.codePage;
    charset.setSb(other.charset);
}

PageMemo::PageMemo(PageSource& source) : m_source(source), m_answers(HttpLimits::kMaxMemoPages) {}

bool PageMemo::QuickGetHtml(const char* url, StringBuffer& html) {
    const char* key = url == nullptr ? "" : url;
    if (const auto* kept = static_cast<const Answer*>(m_answers.hashLookup(key))) {
        m_last.copyFrom(*kept);
    } else {
        m_last.ok = m_source.QuickGetHtml(url, m_last.html);
        m_last.wasRedirected = m_source.GetWasRedirected();
        m_source.GetFinalRedirectUrl(m_last.finalUrl);
        m_last.codePage = m_source.GetPageCodePage();
        m_source.GetPageCharset(m_last.charset);
        unsigned size = static_cast<unsigned>(m_last.html.getSize());
        if (m_count < static_cast<int>(HttpLimits::kMaxMemoPages) &&
            m_bytes + size <= HttpLimits::kMaxMemoBytes) {
            auto* kept = new Answer();
            kept->copyFrom(m_last);
            m_answers.hashInsert(key, kept);
            ++m_count;
            m_bytes += size;
        }
    }
    html.setSb(m_last.html);
    return m_last.ok;
}

void PageMemo::SetPageEncoding(unsigned codePage, const StringBuffer& label) {
    m_last.codePage = codePage;
    m_last.charset.setSb(label);
    m_source.SetPageEncoding(codePage, label);
}
