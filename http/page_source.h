// PageSource: what the site analysis asks of whoever fetches its pages. HttpMan answers from
// the network; a test double can answer from canned pages, so the whole crawl of a site runs
// in-process. One object per domain job, used by one thread.
#pragma once

#include "http/fetch_failure.h"

class StringBuffer;

class PageSource {
public:
    virtual ~PageSource() = default;

    virtual void SetFollowRedirects(bool on) = 0;
    // Fetches the page at `url` into `html` as valid UTF-8 text; false when no page came (a
    // failed request, an error status, a redirect not followed, an empty body).
    virtual bool QuickGetHtml(const char* url, StringBuffer& html) = 0;
    // Whether the last page was reached through redirects, and the URL it came from then.
    virtual bool GetWasRedirected() const = 0;
    virtual void GetFinalRedirectUrl(StringBuffer& out) const = 0;
    // The declaration that decided how the last page was decoded (empty when it declared
    // nothing), and the code page it was decoded from.
    virtual void GetPageCharset(StringBuffer& out) const = 0;
    virtual unsigned GetPageCodePage() const = 0;
    // Makes a page fetched earlier the last one again, for a caller whose later requests only
    // fetched parts of that page (its frames).
    virtual void SetPageEncoding(unsigned codePage, const StringBuffer& label) = 0;
    // True when a request to `host` could only wait as long as earlier ones that timed out.
    virtual bool HostUnreachable(const char* host) = 0;
    // The analysis refused a page that came (a parked, for-sale or dead page): why, for the log.
    virtual void NoteFailure(FetchFailure cause, const char* detail) = 0;
};
