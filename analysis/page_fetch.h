// fetchPage: every page the site analysis reads goes through here. It downloads the page,
// rejects error pages and parked, for-sale or closed sites by a fixed phrase table, follows a
// meta refresh to another host when the target looks like the better page, and pulls the
// content of frames and inline frames into the page's HTML.
#pragma once

class ClsStringArray;
class HttpMan;
class SiteAnalyzer;
class StringBuffer;

// Pages, refresh targets, frames and inline frames deeper than this are refused.
constexpr int kMaxFetchDepth = 3;
// In quick mode a page this long or longer is taken as it is: no refresh, frames or inline frames.
constexpr int kQuickModePageLimit = 50000;

// True when a usable page was obtained: `outHtml` holds it (frame contents appended), `outPath`
// the path of its URL for resolving relative links. Every URL asked for is added to
// `visitedUrls` first, so within one list a URL is fetched at most once.
bool fetchPage(SiteAnalyzer& analyzer, int depth, HttpMan& http, const char* url, StringBuffer& outHtml,
               StringBuffer& outPath, ClsStringArray& visitedUrls);

// The score of keeping the current page over a refresh target: below 0 the target wins.
int refreshScore(const StringBuffer& current, const StringBuffer& target);
