// CannedPageSource: the pages of site folders (site_folder.h) served in-process, so the crawl
// of a site runs without a network. It keeps the folders' host names, statuses, redirects and
// charsets as the fixture web server does (a host no site names does not resolve, a path no
// page has is a 404), decodes pages as HttpMan does, and records every URL asked for, redirect
// hops included, in order. Delays, chunking and gzip are the transport's and are not simulated.
#pragma once

#include "base/string_buffer.h"
#include "http/page_source.h"
#include "site_folder.h"

#include <map>
#include <string>
#include <vector>

namespace test_support {

class CannedPageSource : public PageSource {
public:
    explicit CannedPageSource(const std::vector<SiteFolder>& sites);

    void SetFollowRedirects(bool on) override { m_followRedirects = on; }
    bool QuickGetHtml(const char* url, StringBuffer& html) override;
    bool GetWasRedirected() const override { return m_wasRedirected; }
    void GetFinalRedirectUrl(StringBuffer& out) const override { out.setSb(m_finalUrl); }
    void GetPageCharset(StringBuffer& out) const override { out.setSb(m_charset); }
    unsigned GetPageCodePage() const override { return m_codePage; }
    void SetPageEncoding(unsigned codePage, const StringBuffer& label) override;
    bool HostUnreachable(const char*) override { return false; }
    void NoteFailure(FetchFailure, const char*) override {}

    const std::vector<std::string>& requests() const { return m_requests; }

private:
    // One request without redirects: the page, or null when there is none (404 or no host).
    const SitePage* lookup(const std::string& url, std::string& httpCharset) const;

    // Every host name of every site.
    std::map<std::string, const SiteFolder*> m_hosts;
    std::vector<std::string> m_requests;
    bool m_followRedirects = true;
    bool m_wasRedirected = false;
    StringBuffer m_finalUrl;
    unsigned m_codePage = 0;
    StringBuffer m_charset;
};

} // namespace test_support
