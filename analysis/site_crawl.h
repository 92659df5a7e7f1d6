// analyzeSite: the crawl of one site on a worker's analyzer. It fetches the home page (retrying
// under "www."), reads the home page's head fields, text, ad code and links, finds the contact,
// about, site-map and location pages by link text and URL pattern and fetches them in a fixed
// order to locate the site, and outside quick mode follows the English version, an "enter" link
// and the site map as further cycles.
#pragma once

class PageSource;
class SiteAnalyzer;

// True when the result fields are worth printing; false when no cycle's page could be fetched
// under the plain or the "www." name.
// Every page is asked of `pages` at most once per site (PageMemo).
bool analyzeSite(SiteAnalyzer& analyzer, PageSource& pages, const char* domainText);
