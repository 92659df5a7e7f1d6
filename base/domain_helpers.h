// Small helpers on host and domain names that the crawler and the HTTP client share.
#pragma once

class StringBuffer;

// True when the label after the last '.' of `host` is a top-level domain of today's root zone,
// as the public suffix list knows it (ICANN names only; lower-case A-label or U-label form);
// false when there is no '.'.
bool hasKnownTld(const char* host);

// The A-label form of a host name, the form DNS and the Host line carry: the UTS#46 mapping
// (which also lower-cases) and IDNA. False, with `out` empty, when the name is no host name: an
// empty or too long label, a label starting or ending with '-', or ASCII other than letters,
// digits, '-' and '.'.
bool toAsciiHost(const char* host, StringBuffer& out);

// Lower-cases a host name for the lines people read: an ASCII name letter by letter (so an
// A-label stays one), any other name through the A-label and back to its U-labels. A name that
// does not convert is left as it is.
void lowerCaseHost(StringBuffer& name);

// The registrable part of a host name: "NAME.co.uk" of "www.shop.NAME.co.uk", "NAME.com" of
// "a.b.NAME.com". Labels compare exactly, so callers pass lower-case hosts. Port, query and
// similar trailers are cut off first.
void getBaseDomain(const char* host, StringBuffer& out);

// Replaces `out` with a script element that writes the link <a href="href">linkText</a> with
// document.write(String.fromCharCode(...)), so that neither the URL nor the text appears in the
// page source. Spellings, spacing and number bases are picked at random on every call.
void obfuscateLink(const char* linkText, const char* href, StringBuffer& out);
