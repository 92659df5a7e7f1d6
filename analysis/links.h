// How the site analysis sees a page's links: the list of links with their texts, whether a link
// stays on the site, the absolute URL of a link, the meta-refresh target, and the e-mail
// addresses behind mailto links. None of these fetches anything.
#pragma once

class ClsStringArray;
class ClsXml;
class StringBuffer;

// Every a element of the tree, then every area element, in search order: its href (unescaped,
// trimmed) into `urls` and its text (with image alt texts, lower-cased) into `texts`. Elements
// without an href are not listed; the two arrays stay aligned.
void collectLinks(ClsXml& tree, ClsStringArray& urls, ClsStringArray& texts);
// The same for raw HTML, converted to a tree first.
void pageLinks(const StringBuffer& html, ClsStringArray& texts, ClsStringArray& urls);
// Decodes %HH escapes (only those starting with 0 to 7) and &#NNN; references in an href.
void unescapeHref(StringBuffer& href);
// False for fragments and for every scheme other than http and https, in any case (tel:,
// javascript:, data:, mailto:, ftp:...): such links lead to no page of the site.
bool isFollowableHref(const StringBuffer& href);
// Whether a link stays on the site of `domain`: every relative link does, an absolute or
// protocol-relative ("//host/x") one when it names the domain (or the domain without its "www."),
// its host compared in A-label form.
bool isOnSite(const char* domain, const StringBuffer& href);
// The absolute URL of `href` found on the page at `basePath` of `domain`, resolved against
// "http://" + domain + basePath as a browser resolves it (see resolveUrlReference).
void resolveUrl(const char* domain, const StringBuffer& basePath, const StringBuffer& href,
                StringBuffer& url);
// The target of the page's meta refresh, its "url=" removed in any case; `target` is left
// unchanged when there is none.
void getRefreshUrl(ClsXml& tree, StringBuffer& target);
// The addresses of the mailto links among `urls`, lower-cased and without their query, added to
// `emails`.
void collectEmails(const ClsStringArray& urls, ClsStringArray& emails);
// True for the country top-level names that are sold for general use and name no country.
bool isGenericUseTld(const char* tld);
