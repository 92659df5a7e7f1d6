// Cookie and CookieJar: a cookie as received in a Set-Cookie field or as stored in a cookie
// file, and the cookies read from one such file. A cookie owns its name/value pairs; a jar owns
// its cookies.
#pragma once

#include "base/ext_ptr_array.h"
#include "base/string_buffer.h"
#include "base/zelcora_object.h"

class StringPair;

class Cookie : public ZelcoraObject {
public:
    Cookie() = default;
    ~Cookie() override;
    Cookie(const Cookie&) = delete;
    Cookie& operator=(const Cookie&) = delete;

    // The name/value pairs, in the order received.
    void addPair(const char* name, const char* value);
    int getNumPairs() const { return m_pairs.getSize(); }
    // Null when i is out of range.
    const StringPair* getPair(int i) const;

    bool secure = false;
    bool discard = false;
    StringBuffer domain;
    StringBuffer path;
    StringBuffer expire; // as received
    int version = 0;     // 0 (Set-Cookie) or 1 (Set-Cookie2)
    int maxAge = 0;      // seconds

private:
    ExtPtrArray m_pairs;
};

class CookieJar {
public:
    CookieJar() = default;
    ~CookieJar();
    CookieJar(const CookieJar&) = delete;
    CookieJar& operator=(const CookieJar&) = delete;

    // Takes ownership of `cookie`.
    void addCookie(Cookie* cookie);
    int getNumCookies() const { return m_cookies.getSize(); }
    // Null when i is out of range.
    const Cookie* getCookie(int i) const;
    void clear();

private:
    ExtPtrArray m_cookies;
};
