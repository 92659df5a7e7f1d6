#include "analysis/site_crawl.h"

#include "analysis/ad_codes.h"
#include "analysis/geo_location.h"
#include "analysis/links.h"
#include "analysis/page_fetch.h"
#include "analysis/page_text.h"
#include "analysis/site_analyzer.h"
#include "analysis/site_reports.h"
#include "base/cls_string_array.h"
#include "base/string_buffer.h"
#include "base/utf8_text.h"
#include "base/x_string.h"
#include "charset/code_page_names.h"
#include "markup/cls_html_to_xml.h"
#include "markup/cls_xml.h"

#include <cstring>
#include <strings.h>

namespace {

const char* const kHomePageLabel = "HOME PAGE";
// Paths that mark the English version of a site.
const char* const kEnglishPathMarks[] = {"/engl/",     "/en/",      "/englisch/",
                                         "/englisch.", "/english/", "homeeng."};

bool containsNoCase(const char* text, const char* needle) {
    size_t n = std::strlen(needle);
    for (const char* p = text; *p != 0; ++p) {
        if (strncasecmp(p, needle, n) == 0)
            return true;
    }
    return false;
}

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
        StringBuffer text;
        geoPageText(html, text);
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

enum class CycleEnd { Stop, StopTrue, NextCycle };

} // namespace

bool analyzeSite(SiteAnalyzer& a, PageSource& pages, const char* domainText) {
    a.resetResults();
    a.emails.put_Unique(true);
    a.domain.setString(domainText == nullptr ? "" : domainText);
    a.domain.toLowerCase();
    countryFromDomain(a);

    PageMemo http(pages);
    Crawl c(a, http);
    ClsHtmlToXml converter;
    StringBuffer url("http://");
    url.appendSb(a.domain);
    url.append("/");
    bool englishFollowed = false, enterFollowed = false, sitemapFollowed = false;

    for (;;) {
        // The cycle's page, retried once under the "www." name.
        StringBuffer html, path;
        {
            ClsStringArray visited;
            bool ok = fetchPage(a, 0, http, url.getString(), html, path, visited, &c.host);
            if (!ok) {
                if (a.domain.beginsWith("www."))
                    break;
                // A "www." name on the address that just timed out would only time out again.
                StringBuffer wwwName("www.");
                wwwName.appendSb(a.domain);
                if (http.HostUnreachable(wwwName.getString()))
                    break;
                a.domain.prepend("www.");
                url.setString("http://");
                url.appendSb(a.domain);
                url.append("/");
                html.clear();
                path.clear();
                ClsStringArray retryVisited;
                if (!fetchPage(a, 0, http, url.getString(), html, path, retryVisited, &c.host))
                    break;
            }
        }
        a.extractHeadFields(html.getString());
        http.GetPageCharset(a.charset);
        c.basePath.setSb(path);

        XString page;
        page.setFromUtf8(html.getString());
        converter.put_Html(page);
        XString xmlText;
        converter.ToXml(xmlText);
        ClsXml tree;
        tree.LoadXml(xmlText.getUtf8());

        StringBuffer homeText;
        treeText(tree, homeText);
        makeWordVector(a, PreferredCodePageName(http.GetPageCodePage()), homeText, a.homeWordVector);
        extractAdCodes(a, tree);
        PageLinks links;
        collectLinks(tree, links.urls, links.texts);
        collectEmails(links.urls, a.emails);
        if (a.country.getSize() == 0)
            a.countryFromEmails(a.emails);

        if (!a.quickMode) {
            findFollowUps(c, links);
        } else {
            if (a.country.getSize() > 0)
                return true;
            StringBuffer text;
            geoTreeText(tree, text);
            if (c.attempt(text, kHomePageLabel))
                return true;
        }

        Candidates found;
        linkPass(c, links, found);

        // The contact page: its mailto addresses first, then its text.
        c.lastFetchOk = true;
        if (a.contactUrl.getSize() > 0) {
            StringBuffer contactHtml;
            c.lastFetchOk = c.fetch(a.contactUrl, contactHtml);
            if (c.lastFetchOk) {
                ClsStringArray texts, urls;
                pageLinks(contactHtml, texts, urls);
                collectEmails(urls, a.emails);
                if (a.country.getSize() == 0) {
                    a.countryFromEmails(a.emails);
                    if (a.quickMode && a.country.getSize() > 0)
                        return true;
                }
                if (a.country.getSize() == 0) {
                    StringBuffer text;
                    geoPageText(contactHtml, text);
                    if (c.attempt(text, a.contactUrl.getString()))
                        return true;
                }
            }
        }
        if (a.country.getSize() == 0) {
            StringBuffer text;
            geoTreeText(tree, text);
            if (c.attempt(text, kHomePageLabel))
                return true;
        }
        if (a.aboutUrl.getSize() > 0) {
            StringBuffer aboutHtml;
            c.lastFetchOk = c.fetch(a.aboutUrl, aboutHtml);
            if (c.lastFetchOk) {
                StringBuffer aboutText;
                pageText(aboutHtml, aboutText);
                makeWordVector(a, PreferredCodePageName(http.GetPageCodePage()), aboutText, a.aboutWordVector);
                if (a.country.getSize() == 0) {
                    geoPageText(aboutHtml, aboutText);
                    if (c.attempt(aboutText, a.aboutUrl.getString()))
                        return true;
                }
            }
        }
        for (const StringBuffer* next :
             {&a.sitemapUrl, &found.contact2Url, &found.location1Url, &found.location2Url}) {
            if (next->getSize() > 0 && a.country.getSize() == 0 && c.locateOn(*next))
                return true;
        }
        if (a.quickMode)
            return true;

        // Further cycles, each at most once.
        if (!englishFollowed && a.contactUrl.getSize() == 0 && a.englishUrl.getSize() > 0) {
            url.setSb(a.englishUrl);
            englishFollowed = true;
            continue;
        }
        if (a.country.getSize() == 0 && isFlashPage(html)) {
            languageFromText(a, html);
            countryFromLanguage(a);
        }
        bool located = a.contactUrl.getSize() > 0 && a.country.getSize() > 0;
        if (!enterFollowed && !located && a.home2Url.getSize() > 0) {
            url.setSb(a.home2Url);
            enterFollowed = true;
            continue;
        }
        if (!sitemapFollowed && !located && a.sitemapUrl.getSize() > 0) {
            url.setSb(a.sitemapUrl);
            sitemapFollowed = true;
            continue;
        }
        writeSiteReports(a, a.domain.getString());
        return c.lastFetchOk;
    }
    if (!a.quickMode)
        writeSiteReports(a, a.domain.getString());
    return false;
}
