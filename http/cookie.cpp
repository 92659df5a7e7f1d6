#include "http/cookie.h"

#include "base/string_pair.h"

Cookie::~Cookie() {
    m_pairs.removeAllObjects();
}

void Cookie::addPair(const char* name, const char* value) {
    m_pairs.appendPtr(new StringPair(name, value));
}

const StringPair* Cookie::getPair(int i) const {
    return static_cast<const StringPair*>(m_pairs.elementAt(i));
}

CookieJar::~CookieJar() {
    m_cookies.removeAllObjects();
}

void CookieJar::addCookie(Cookie* cookie) {
    if (cookie != nullptr) {
        m_cookies.appendPtr(cookie);
    }
}

const Cookie* CookieJar::getCookie(int i) const {
    return static_cast<const Cookie*>(m_cookies.elementAt(i));
}

void CookieJar::clear() {
    m_cookies.removeAllObjects();
}
