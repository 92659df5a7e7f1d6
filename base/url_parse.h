// Splitting a URL into the parts the HTTP client works with: host, port, credentials, path,
// query and fragment. The parse tolerates any text: it never fails except for a null URL, and
// text it cannot make sense of simply ends up in the host, path or query. Callers own every
// output buffer; each is cleared before it is filled.
#pragma once

class StringBuffer;

// Splits `url`:
// - a scheme prefix "http://", "https://" (port 443), "file:///" or "ftp://" is skipped, compared
//   without regard to case; any other text is taken to start with the host;
// - a user part (login, ':', password) ended by an '@' inside the authority (the text up to the
//   first '/', '?' or '#') gives the credentials; the host follows the last such '@', and an '@'
//   in the path or query never counts;
// - the host is lower-cased, trimmed and cut at the first ':', '%', '&', '?', '=', '#' or blank;
// - the port is 80 (443 after "https://") unless a number follows a ':' of the host part; a
//   port is honoured also when no path follows it ("http://h:8080", "http://h:8080?x=1");
// - the path runs from the first '/' to the first '?' after it, the query is the rest after
//   that '?'; a URL without any '/' gets the path "/", and its host ends at the first '?' or '#';
// - the fragment is the text after the last '#' of the query (of the path, or of the text
//   between host and query, when the query is empty), and is removed from it.
// Every '\' is read as '/'. False only for a null URL.
bool parseUrl(const char* url, StringBuffer& host, int& port, StringBuffer& login, StringBuffer& password,
              StringBuffer& path, StringBuffer& query, StringBuffer& fragment);

// parseUrl keeping one part.
bool getUrlHost(const char* url, StringBuffer& host);
bool getUrlPath(const char* url, StringBuffer& path);

// Replaces `out` with `url` without the '#' and the fragment that parseUrl removes, so a URL
// can be sent whole (to a proxy) without its fragment. A null URL gives the empty text.
void getUrlWithoutFragment(const char* url, StringBuffer& out);
