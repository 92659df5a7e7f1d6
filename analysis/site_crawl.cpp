#include "analysis/site_crawl.h"

#include "analysis/ad_codes.h"
#include "analysis/geo_location.h"
#include "analysis/html_help.h"
#include "analysis/links.h"
#include "analysis/page_fetch.h"
#include "analysis/page_text.h"
#include "analysis/site_analyzer.h"
#include "analysis/site_reports.h"
#include "base/ascii.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"
#include "charset/code_page_names.h"
#include "markup/cls_xml.h"

#include <cstring>
#include <strings.h>

namespace {

const char* const kHomePageLabel = "HOME PAGE";
// Paths that mark the English version of a site.
const char* const kEnglishPathMarks[] = {"/engl/",     "/en/",      "/englisch/",
                                         "/englisch.", "/english/", "homeeng."};

bool matchesAnyPattern(const ClsStringArray& patterns, const char* text) {
    StringBuffer subject(text);
    lowerUtf8(subject);
    for (int i = 0; i < patterns.get_Count(); ++i) {
        if (subject.matchesWildcard(patterns.GetString(i), true))
            return true;
    }
    return false;
}

// The links of one cycle's page, with the skips every pass applies.
struct PageLinks {
    ClsStringArray urls;
    ClsStringArray texts;

    int count() const { return urls.get_Count(); }
};

// The state of one analysis that lives across its cycles.
struct Crawl {
    Crawl(SiteAnalyzer& analyzer, PageSource& pages) : a(analyzer), http(pages) {}

    SiteAnalyzer& a;
    PageSource& http;
    StringBuffer basePath{"/"};
    // Where the cycle's page came from: the domain, or the host its redirects ended on.
    StringBuffer host;
    bool lastFetchOk = true;

    // Links to the ad network and links off the site are never considered. A link to the host
    // the domain redirected to is on the site.
    bool usable(const PageLinks& links, int i) const {
        StringBuffer href(links.urls.GetString(i));
        return !href.containsSubstring("google") &&
               (isOnSite(a.domain.getString(), href) || isOnSite(host.getString(), href));
    }
    void resolve(const char* href, StringBuffer& out) const {
        resolveUrl(host.getString(), basePath, StringBuffer(href), out);
    }
    bool fetch(const StringBuffer& url, StringBuffer& html) {
        ClsStringArray visited;
        StringBuffer path;
        return fetchPage(a, 0, http, url.getString(), html, path, visited);
    }
    // A geographic attempt; true when quick mode may stop because the country is known.
    bool attempt(StringBuffer& text, const char* label) {
        geoAttempt(a, text, label);
        return a.quickMode && a.country.getSize() > 0;
    }
    // Fetches a follow-up page and makes a geographic attempt on its text; true when quick mode
    // may stop.
    bool locateOn(const StringBuffer& url) {
        StringBuffer html;
        lastFetchOk = fetch(url, html);
        if (!lastFetchOk)
            return false;
        PageTree page(html);
        StringBuffer text;
        geoTreeText(page.tree(), text);
        return attempt(text, url.getString());
    }
};

void findFollowUps(Crawl& c, const PageLinks& links) {
    SiteAnalyzer& a = c.a;
    if (a.country.getSize() == 2) {
        for (int i = 0; i < links.count(); ++i) {
            if (!c.usable(links, i))
                continue;
            const char* text = links.texts.GetString(i);
            const char* href = links.urls.GetString(i);
            bool english = strcasecmp(text, "english") == 0 || strcasecmp(text, "english version") == 0;
            for (const char* mark : kEnglishPathMarks)
                english = english || containsNoCase(href, mark);
            if (english)
                c.resolve(href, a.englishUrl);
        }
    }
    for (int i = 0; i < links.count() && a.home2Url.getSize() == 0; ++i) {
        if (!c.usable(links, i))
            continue;
        for (int k = 0; k < a.enterLinkTexts.get_Count(); ++k) {
            if (strcasecmp(links.texts.GetString(i), a.enterLinkTexts.GetString(k)) == 0) {
                c.resolve(links.urls.GetString(i), a.home2Url);
                break;
            }
        }
    }
}

struct Candidates {
    StringBuffer contact2Url, location1Url, location2Url;
    bool contactByText = false, secondContact = false, location1 = false, location2 = false,
         aboutByText = false, sitemapByText = false;
};

void linkPass(Crawl& c, const PageLinks& links, Candidates& found) {
    SiteAnalyzer& a = c.a;
    for (int i = 0; i < links.count(); ++i) {
        if (!c.usable(links, i))
            continue;
        const char* text = links.texts.GetString(i);
        const char* href = links.urls.GetString(i);
        if (!found.contactByText) {
            if (matchesAnyPattern(a.contactLinkTexts, text)) {
                c.resolve(href, a.contactUrl);
                found.contactByText = true;
            }
        } else if (!found.secondContact && matchesAnyPattern(a.contactLinkTexts, text)) {
            c.resolve(href, found.contact2Url);
            found.secondContact = true;
        }
        if (!found.location1) {
            if (matchesAnyPattern(a.locationUrlPatterns, href)) {
                c.resolve(href, found.location1Url);
                found.location1 = true;
            }
        } else if (!found.location2 && matchesAnyPattern(a.locationUrlPatterns, href)) {
            c.resolve(href, found.location2Url);
            found.location2 = true;
        }
        if (!found.aboutByText && matchesAnyPattern(a.aboutLinkTexts, text)) {
            c.resolve(href, a.aboutUrl);
            found.aboutByText = true;
        }
        if (!found.sitemapByText && matchesAnyPattern(a.sitemapLinkTexts, text)) {
            c.resolve(href, a.sitemapUrl);
            found.sitemapByText = true;
        }
    }
    for (int i = 0; i < links.count(); ++i) {
        if (!c.usable(links, i))
            continue;
        StringBuffer href(links.urls.GetString(i));
        if (a.contactUrl.getSize() == 0 && a.isContactUrl(href))
            c.resolve(href.getString(), a.contactUrl);
        if (a.aboutUrl.getSize() == 0 && a.isAboutUrl(href))
            c.resolve(href.getString(), a.aboutUrl);
        if (a.sitemapUrl.getSize() == 0 && a.isSitemapUrl(href))
            c.resolve(href.getString(), a.sitemapUrl);
    }
}

// The cycle's page, retried once under the "www." name; false when neither answers.
bool fetchCyclePage(Crawl& c, StringBuffer& url, StringBuffer& html, StringBuffer& path) {
    SiteAnalyzer& a = c.a;
    ClsStringArray visited;
    if (fetchPage(a, 0, c.http, url.getString(), html, path, visited, &c.host))
        return true;
    if (a.domain.beginsWith("www."))
        return false;
    // A "www." name on the address that just timed out would only time out again.
    StringBuffer wwwName("www.");
    wwwName.appendSb(a.domain);
    if (c.http.HostUnreachable(wwwName.getString()))
        return false;
    a.domain.prepend("www.");
    url.setString("http://");
    url.appendSb(a.domain);
    url.append("/");
    ClsStringArray retryVisited;
    return fetchPage(a, 0, c.http, url.getString(), html, path, retryVisited, &c.host);
}

// Head fields, word vector, ad codes, links and the addresses behind them, all from the one tree.
void readCyclePage(Crawl& c, const StringBuffer& html, const StringBuffer& path, ClsXml& tree,
                   PageLinks& links) {
    SiteAnalyzer& a = c.a;
    a.extractHeadFields(html.getString());
    c.http.GetPageCharset(a.charset);
    c.basePath.setSb(path);
    StringBuffer homeText;
    treeText(tree, homeText);
    makeWordVector(a, PreferredCodePageName(c.http.GetPageCodePage()), homeText, a.homeWordVector);
    extractAdCodes(a, tree);
    collectLinks(tree, links.urls, links.texts);
    collectEmails(links.urls, a.emails);
    if (a.country.getSize() == 0)
        a.countryFromEmails(a.emails);
}

// The home page's text as geography reads it, made once: a cycle may try the home page before
// and again after its contact page. A text that matched no key will match none again.
struct HomeGeoText {
    StringBuffer text;
    bool ready = false;
    bool noKey = false;
};

// A geographic attempt on the cycle's page; true when quick mode may stop.
bool locateOnHomePage(Crawl& c, const ClsXml& tree, HomeGeoText& home) {
    if (!home.ready) {
        geoTreeText(tree, home.text);
        normaliseGeoText(home.text);
        home.ready = true;
    }
    if (!home.noKey)
        home.noKey = geoAttemptNormalised(c.a, home.text, kHomePageLabel) == GeoFind::NoKey;
    return c.a.quickMode && c.a.country.getSize() > 0;
}

// Its mailto addresses first, then its text; true when quick mode may stop.
bool visitContactPage(Crawl& c) {
    SiteAnalyzer& a = c.a;
    StringBuffer html;
    c.lastFetchOk = c.fetch(a.contactUrl, html);
    if (!c.lastFetchOk)
        return false;
    PageTree page(html);
    ClsStringArray texts, urls;
    collectLinks(page.tree(), urls, texts);
    collectEmails(urls, a.emails);
    if (a.country.getSize() == 0) {
        a.countryFromEmails(a.emails);
        if (a.quickMode && a.country.getSize() > 0)
            return true;
    }
    if (a.country.getSize() > 0)
        return false;
    StringBuffer text;
    geoTreeText(page.tree(), text);
    return c.attempt(text, a.contactUrl.getString());
}

// Its word vector, then its text for geography; true when quick mode may stop.
bool visitAboutPage(Crawl& c) {
    SiteAnalyzer& a = c.a;
    StringBuffer html;
    c.lastFetchOk = c.fetch(a.aboutUrl, html);
    if (!c.lastFetchOk)
        return false;
    PageTree page(html);
    StringBuffer text;
    treeText(page.tree(), text);
    makeWordVector(a, PreferredCodePageName(c.http.GetPageCodePage()), text, a.aboutWordVector);
    if (a.country.getSize() > 0)
        return false;
    geoTreeText(page.tree(), text);
    return c.attempt(text, a.aboutUrl.getString());
}

// The site map, the second contact page and the two location pages, while the country is unknown;
// true when quick mode may stop.
bool visitLocationPages(Crawl& c, const Candidates& found) {
    SiteAnalyzer& a = c.a;
    const StringBuffer* pages[] = {&a.sitemapUrl, &found.contact2Url, &found.location1Url,
                                   &found.location2Url};
    for (const StringBuffer* next : pages) {
        if (next->getSize() > 0 && a.country.getSize() == 0 && c.locateOn(*next))
            return true;
    }
    return false;
}

// Which further cycle to run, each at most once.
struct Cycles {
    bool englishFollowed = false, enterFollowed = false, sitemapFollowed = false;

    // The next cycle's URL into `url`; false when the analysis is complete.
    bool next(SiteAnalyzer& a, const StringBuffer& html, StringBuffer& url) {
        if (!englishFollowed && a.contactUrl.getSize() == 0 && a.englishUrl.getSize() > 0) {
            url.setSb(a.englishUrl);
            englishFollowed = true;
            return true;
        }
        if (a.country.getSize() == 0 && isFlashPage(html)) {
            languageFromText(a, html);
            countryFromLanguage(a);
        }
        bool located = a.contactUrl.getSize() > 0 && a.country.getSize() > 0;
        if (!enterFollowed && !located && a.home2Url.getSize() > 0) {
            url.setSb(a.home2Url);
            enterFollowed = true;
            return true;
        }
        if (!sitemapFollowed && !located && a.sitemapUrl.getSize() > 0) {
            url.setSb(a.sitemapUrl);
            sitemapFollowed = true;
            return true;
        }
        return false;
    }
};

} // namespace

bool analyzeSite(SiteAnalyzer& a, PageSource& pages, const char* domainText) {
    a.resetResults();
    a.emails.put_Unique(true);
    a.domain.setString(domainText == nullptr ? "" : domainText);
    a.domain.toLowerCase();
    countryFromDomain(a);

    PageMemo http(pages);
    Crawl c(a, http);
    StringBuffer url("http://");
    url.appendSb(a.domain);
    url.append("/");
    Cycles cycles;

    for (;;) {
        StringBuffer html, path;
        if (!fetchCyclePage(c, url, html, path))
            break;
        PageTree page(html);
        PageLinks links;
        readCyclePage(c, html, path, page.tree(), links);
        HomeGeoText home;

        if (!a.quickMode) {
            findFollowUps(c, links);
        } else if (a.country.getSize() > 0 || locateOnHomePage(c, page.tree(), home)) {
            return true;
        }
        Candidates found;
        linkPass(c, links, found);

        c.lastFetchOk = true;
        if (a.contactUrl.getSize() > 0 && visitContactPage(c))
            return true;
        if (a.country.getSize() == 0 && locateOnHomePage(c, page.tree(), home))
            return true;
        if (a.aboutUrl.getSize() > 0 && visitAboutPage(c))
            return true;
        if (visitLocationPages(c, found) || a.quickMode)
            return true;
        if (!cycles.next(a, html, url)) {
            writeSiteReports(a, a.domain.getString());
            return c.lastFetchOk;
        }
    }
    if (!a.quickMode)
        writeSiteReports(a, a.domain.getString());
    return false;
}
