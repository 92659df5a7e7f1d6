// Small helpers on host and domain names that the crawler and the HTTP client share.
#pragma once

// True when the text after the last '.' of `host` is one of the known top-level names
// (exact, lower-case comparison); false when there is no '.'.
bool hasKnownTld(const char* host);

class StringBuffer;

// The registrable part of a host name: "NAME.co.uk" of "www.shop.NAME.co.uk", "NAME.com" of
// "a.b.NAME.com". Labels compare exactly, so callers pass lower-case hosts. Port, query and
// similar trailers are cut off first.
void getBaseDomain(const char* host, StringBuffer& out);

// Replaces `out` with a script element that writes the link <a href="href">linkText</a> with
// document.write(String.fromCharCode(...)), so that neither the URL nor the text appears in the
// page source. Spellings, spacing and number bases are picked at random on every call.
void obfuscateLink(const char* linkText, const char* href, StringBuffer& out);
