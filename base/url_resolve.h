// Turning a link or a redirect target into an absolute URL, the way browsers and RFC 3986
// resolve a reference against the URL of the page that holds it. This is the one resolver of the
// system: the redirect handling of the HTTP client and the link resolution of the site analysis
// both go through it. The caller owns the output buffer.
#pragma once

class StringBuffer;

// Replaces `out` with `reference` resolved against `base`:
// - a reference with a scheme ("HTTP://o/", "mailto:x", "http:g") is absolute and kept, its dot
//   segments removed;
// - "//host/x" keeps the scheme of the base; "/x" the scheme and host; "?q" the path; "#f" the path
//   and query; any other path is taken relative to the directory of the base path ("a/b" against
//   "http://h/d/p" gives "http://h/d/a/b", against "http://h" gives "http://h/a/b");
// - "." and ".." segments are removed, never climbing above the root.
// Both texts are trimmed of blanks and control bytes at their ends, and every '\' is read as '/',
// as the URL parse reads it. A base without "scheme://" is read as the parse reads it, starting
// with the host, and the result then has no scheme either ("h/d" and "q" give "h/q"). The base's
// fragment is dropped; the reference's is kept.
// False, with `out` empty, for a null argument or an empty result.
bool resolveUrlReference(const char* base, const char* reference, StringBuffer& out);
