#include "canned_page_source.h"

#include "base/url_parse.h"
#include "base/url_resolve.h"
#include "charset/encoding_finder.h"
#include "http/limits.h"

namespace test_support {

namespace {

bool isBlank(const std::string& body) {
    return body.find_first_not_of(" \t\r\n\f\v") == std::string::npos;
}

} // namespace

CannedPageSource::CannedPageSource(const std::vector<SiteFolder>& sites) {
    for (const SiteFolder& site : sites) {
        for (const std::string& host : site.hosts)
            m_hosts[host] = &site;
    }
}

const SitePage* CannedPageSource::lookup(const std::string& url, std::string& httpCharset) const {
    StringBuffer host, login, password, path, query, fragment;
    int port = 80;
    parseUrl(url.c_str(), host, port, login, password, path, query, fragment);
    auto site = m_hosts.find(host.getString());
    if (site == m_hosts.end())
        return nullptr;
    std::string target = path.getString();
    if (query.getSize() > 0)
        target += std::string("?") + query.getString();
    auto page = site->second->pages.find(target);
    if (page == site->second->pages.end())
        return nullptr;
    httpCharset = site->second->charset;
    return &page->second;
}

bool CannedPageSource::QuickGetHtml(const char* url, StringBuffer& html) {
    html.clear();
    m_wasRedirected = false;
    m_finalUrl.clear();
    m_codePage = 0;
    m_charset.clear();
    std::string current = url == nullptr ? "" : url;
    for (int hops = 0;; ++hops) {
        m_requests.push_back(current);
        std::string httpCharset;
        const SitePage* page = lookup(current, httpCharset);
        if (page == nullptr || page->status >= 400 || page->status == 204)
            return false;
        if (page->status >= 300) {
            StringBuffer next;
            if (!m_followRedirects || hops >= HttpLimits::kMaxRedirects ||
                !resolveUrlReference(current.c_str(), page->location.c_str(), next))
                return false;
            m_wasRedirected = true;
            m_finalUrl.setSb(next);
            current = next.getString();
            continue;
        }
        if (isBlank(page->body))
            return false;
        const auto* bytes = reinterpret_cast<const unsigned char*>(page->body.data());
        PageEncoding encoding;
        EncodingFinder::find(bytes, page->body.size(), httpCharset.c_str(), encoding);
        EncodingFinder::decode(bytes, page->body.size(), encoding.codePage, html);
        m_codePage = encoding.codePage;
        m_charset.setSb(encoding.label);
        return true;
    }
}

void CannedPageSource::SetPageEncoding(unsigned codePage, const StringBuffer& label) {
    m_codePage = codePage;
    m_charset.setSb(label);
}

} // namespace test_support
