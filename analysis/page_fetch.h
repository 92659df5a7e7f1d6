// fetchPage: every page the site analysis reads goes through here. It downloads the page,
// rejects error pages and parked, for-sale or closed sites by a fixed phrase table, follows a
// meta refresh, and pulls the content of frames and inline frames into the page's HTML.
#pragma once

#include "base/hash_map.h"
#include "http/page_source.h"

class ClsStringArray;
class SiteAnalyzer;
class StringBuffer;

// Pages, refresh targets, frames and inline frames deeper than this are refused.
constexpr int kMaxFetchDepth = 3;
// In quick mode a page this long or longer is taken as it is: no refresh, frames or inline frames.
constexpr int kQuickModePageLimit = 50000;

// True when a usable page was obtained: `outHtml` holds it (frame contents appended), `outPath`
// the path of its URL for resolving relative links, `outHost` (when given) the host it came
// from after redirects and a meta refresh. A meta refresh to the same host is followed; one to
// another host when the target looks like the better page. A page, or the target of its
// refresh, that shows a dead-page phrase is no page. Every URL asked for is added to
// `visitedUrls` first, so within one list a URL is fetched at most once.
bool fetchPage(SiteAnalyzer& analyzer, int depth, PageSource& http, const char* url, StringBuffer& outHtml,
               StringBuffer& outPath, ClsStringArray& visitedUrls, StringBuffer* outHost = nullptr);

// The score of keeping the current page over a refresh target: below 0 the target wins.
int refreshScore(const StringBuffer& current, const StringBuffer& target);

// PageMemo: the pages of one domain's analysis, each fetched once. A second request for a URL
// (the contact page again in a later cycle, a frame shared by two pages) gets the first answer,
// failures included, instead of asking the source again. Bounded by HttpLimits::kMaxMemoPages
// and kMaxMemoBytes: past them answers are passed on, not kept.
class PageMemo : public PageSource {
public:
    explicit PageMemo(PageSource& source);

    void SetFollowRedirects(bool on) override { m_source.SetFollowRedirects(on); }
    bool QuickGetHtml(const char* url, StringBuffer& html) override;
    bool GetWasRedirected() const override { return m_last.wasRedirected; }
    void GetFinalRedirectUrl(StringBuffer& out) const override { out.setSb(m_last.finalUrl); }
    void GetPageCharset(StringBuffer& out) const override { out.setSb(m_last.charset); }
    unsigned GetPageCodePage() const override { return m_last.codePage; }
    void SetPageEncoding(unsigned codePage, const StringBuffer& label) override;
    bool HostUnreachable(const char* host) override { return m_source.HostUnreachable(host); }
    void NoteFailure(FetchFailure cause, const char* detail) override { m_source.NoteFailure(cause, detail); }

private:
    // What the source's getters said about one answer.
    struct Facts {
        bool ok = false;
        bool wasRedirected = false;
        StringBuffer finalUrl;
        unsigned codePage = 0;
        StringBuffer charset;

        void copyFrom(const Facts& other);
    };
    // One answer of the source, kept for a later request of its URL.
    struct Answer : public ZelcoraObject {
        Facts facts;
        StringBuffer html;
    };

    PageSource& m_source;
    HashMap m_answers;
    int m_count = 0;
    unsigned m_bytes = 0;
    // What the getters describe: the last answer handed out.
    Facts m_last;
};
