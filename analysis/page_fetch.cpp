#include "analysis/page_fetch.h"

#include "analysis/failure_cause.h"
#include "analysis/links.h"
#include "analysis/site_analyzer.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "base/url_parse.h"
#include "base/x_string.h"
#include "http/http_man.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"

#include <cstring>
#include <memory>
#include <strings.h>

namespace {

// The host of the domain-parking service whose parked pages name it, and the address of that
// service's page about its parking offer, which parked pages link to.
constexpr const char* kParkingServiceHost = "sedoparking.com";
constexpr const char* kParkingOfferPage = "http://www.sedo.com/services/parking.php3";

const char* const kDeadPagePhrases[] = {
    "Site Not Found",
    "404 Not Found",
    "Page Not Found",
    "Not Found (404)",
    "Web Page Under Construction",
    "Error 404",
    "404 - Page Not Found",
    "404 Error Page",
    "Page Unavailable",
    "Requested Page Not Found",
    "This website is for sale",
    "This site is for sale",
    "parked_banner_comingsoon",
    "Parked Domain Customer",
    "This is a place-holder for the",
    "registered and is currently parked",
    kParkingServiceHost,
    "document was not found on this server",
    "The page cannot be found",
    "domain name under construction",
    "Buy This Domain!",
    "Welcome to the holding page for",
    "Directory Listing Denied",
    "401 Authorization Required",
    "Access Unauthorized",
    "403 Forbidden",
    "We couldn't find the page",
    "You are not authorized to view this page",
    "Domain Name Renewal and web hosting from Network Solutions",
    kParkingOfferPage,
    "HTTP 404",
    "Requested Page Not Found - 404",
    "website is currently down",
    "IS NO LONGER IN BUSINESS",
};

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

const char* findDeadPagePhrase(const char* html) {
    for (const char* phrase : kDeadPagePhrases) {
        if (contains(html, phrase))
            return phrase;
    }
    return nullptr;
}

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

bool fetchPage(SiteAnalyzer& analyzer, int depth, HttpMan& http, const char* url, StringBuffer& outHtml,
               StringBuffer& outPath, ClsStringArray& visitedUrls) {
    outHtml.clear();
    outPath.clear();
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
        http.NoteFailure(deadPageFailure(phrase), phrase);
        return false;
    }
    // The page handed back is read in its own encoding, whatever its frames were read in.
    unsigned codePage = http.GetPageCodePage();
    StringBuffer charset;
    http.GetPageCharset(charset);
    auto handBack = [&](const StringBuffer& page) {
        http.SetPageEncoding(codePage, charset);
        outHtml.setSb(page);
        return true;
    };
    if (http.GetWasRedirected()) {
        StringBuffer finalUrl;
        http.GetFinalRedirectUrl(finalUrl);
        if (finalUrl.getSize() > 0 && !finalUrl.equals(url))
            getUrlPath(finalUrl.getString(), outPath);
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
            if (!targetHost.equalsIgnoreCase(host.getString())) {
                visitedUrls.Append(resolved.getString());
                StringBuffer targetHtml;
                if (!http.QuickGetHtml(resolved.getString(), targetHtml))
                    return handBack(html);
                if (refreshScore(html, targetHtml) < 0) {
                    targetHtml.replaceAll("&nbsp;", " ");
                    html.setSb(targetHtml);
                    codePage = http.GetPageCodePage();
                    http.GetPageCharset(charset);
                }
            }
        }
    }

    // Frames: the first four, each fetched as a page of its own one level deeper.
    if (!tooLongForQuickMode(analyzer, html) && containsSb(html, "frameset")) {
        ClsXml tree;
        toTree(converter, html, tree);
        std::unique_ptr<ClsXml> frame(tree.SearchForTag(nullptr, "frame"));
        StringBuffer appended;
        for (int count = 1; frame && count <= kMaxFrames; ++count) {
            StringBuffer src;
            frameSource(*frame, src);
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
            frame.reset(tree.SearchForTag(frame.get(), "frame"));
        }
        html.appendSb(appended);
    }

    // Inline frames: the first two; a failing one ends the walk.
    if (!tooLongForQuickMode(analyzer, html) && containsSb(html, "iframe")) {
        ClsXml tree;
        toTree(converter, html, tree);
        std::unique_ptr<ClsXml> iframe(tree.SearchForTag(nullptr, "iframe"));
        StringBuffer appended;
        for (int count = 1; iframe && count <= kMaxInlineFrames; ++count) {
            StringBuffer src;
            frameSource(*iframe, src);
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
            iframe.reset(tree.SearchForTag(iframe.get(), "iframe"));
        }
        html.appendSb(appended);
    }
    return handBack(html);
}
