// HttpMan: the one object through which the crawler fetches pages. It holds the request
// settings, the kept-alive connections and the outcome of the last request; QuickGetHtml fetches
// a URL with GET and hands back the page as UTF-8 text, converted from the charset the server or
// the page's own META tag names. Everything else is a setter or getter of one field. One object
// per domain job, used by one thread.
#pragma once

#include "base/cls_base.h"
#include "charset/encoding_finder.h"
#include "http/fetch_failure.h"
#include "http/http_conn_pool.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "http/page_source.h"

class DataBuffer;
class LogBase;
class StringBuffer;

class HttpMan : public ClsBase, public PageSource {
public:
    HttpMan() = default;

    void SetUseHttpCache(bool on) { m_control.useHttpCache = on; }
    void SetFetchFromCache(bool on) { m_control.cachePolicy.fetchFromCache = on; }
    void SetUpdateCache(bool on) { m_control.cachePolicy.updateCache = on; }
    void SetMaxConnections(int n) { m_pool.setMaxConnections(n); }
    void SetUserAgent(const char* agent) { m_control.userAgent.setString(agent == nullptr ? "" : agent); }
    void SetMaxContentLength(int n) { m_control.maxContentLength = n; }
    // A page longer than the maximum content length is cut there instead of failing.
    void SetCutOversizeBody(bool on) { m_control.cutOversizeBody = on; }
    void SetConnectTimeout(int seconds) { m_control.connectTimeout = seconds; }
    void SetReadTimeout(int seconds) { m_control.readTimeout = seconds; }
    void SetFollowRedirects(bool on) override { m_control.followRedirects = on; }
    // Starts the time budget of everything this object fetches from now on: once `ms` have
    // passed no request starts and every wait of a request in flight ends.
    void SetTimeBudgetMs(uint32_t ms) { m_control.deadline = Deadline::fromNow(ms); }
    // Whether the time budget has run out.
    bool GetTimeBudgetSpent() const { return m_control.deadline.expired(); }
    bool GetWasRedirected() const override { return m_result.wasRedirected; }
    void GetFinalRedirectUrl(StringBuffer& out) const override;

    // Fetches the page at `url` into `html` as valid UTF-8 text, decoded from the encoding the
    // page's byte-order mark, HTTP charset or own declarations name (EncodingFinder).
    // False when no page came: a failed request, an error status (400 and above), a 204, a
    // redirect that was not followed while redirects are followed, or a body that is empty or
    // only white space.
    bool QuickGetHtml(const char* url, StringBuffer& html) override;
    // The declaration that decided how the last page was decoded, empty when it declared
    // nothing; and the code page it was decoded from.
    void GetPageCharset(StringBuffer& out) const override { out.setSb(m_page.label); }
    unsigned GetPageCodePage() const override { return m_page.codePage; }
    // Makes a page fetched earlier the last one again, for a caller whose later requests only
    // fetched parts of that page (its frames).
    void SetPageEncoding(unsigned codePage, const StringBuffer& label) override {
        m_page.codePage = codePage;
        m_page.label.setSb(label);
    }
    // True when every address `host` resolves to (known, or looked up within the connect
    // time-out) already failed to connect in time for this object, or the name servers fell
    // silent for it: a request to that host could only wait as long again.
    bool HostUnreachable(const char* host) override;

    // Why pages stopped coming: the first failure since the last page that came, kept until a
    // page comes again (so the "www." retry does not hide why the plain name failed). The
    // analysis notes the pages it refuses itself.
    FetchFailure GetFailure() const { return m_failure; }
    const StringBuffer& GetFailureDetail() const { return m_failureDetail; }
    void NoteFailure(FetchFailure cause, const char* detail) override;

    HttpControl& control() { return m_control; }
    const HttpResult& result() const { return m_result; }
    HttpConnPool& pool() { return m_pool; }

private:
    // Whether the answer to the last request is a page.
    bool isPage(const DataBuffer& body, LogBase* log);

    HttpControl m_control;
    HttpConnPool m_pool;
    HttpResult m_result;
    PageEncoding m_page;
    FetchFailure m_failure = FetchFailure::None;
    StringBuffer m_failureDetail;
    // The host whose URL gave the stored login and password; they go to no other host.
    StringBuffer m_credentialsHost;
};
