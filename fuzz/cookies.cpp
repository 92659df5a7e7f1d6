// libFuzzer target for cookies: Set-Cookie fields read into cookies, each stored in its domain's
// cookie file and read back. What comes back is the cookie that was stored: its domain, path and
// flags, and for every pair name the value last given to it (trimmed, as the file is
// read; values holding an entity reference aside, which the XML tree keeps as references).
#include "base/string_pair.h"
#include "fuzz_support.h"
#include "http/cookie.h"
#include "http/cookie_mgr.h"
#include "http/mime_header.h"

#include <unistd.h>

namespace {

const char* lastValueOf(const Cookie& cookie, const char* name) {
    const char* value = nullptr;
    for (int i = 0; i < cookie.getNumPairs(); ++i) {
        if (std::strcmp(cookie.getPair(i)->getKey(), name) == 0)
            value = cookie.getPair(i)->getValue();
    }
    return value;
}

void checkStoredAndLoaded(const Cookie& cookie) {
    StringBuffer file;
    if (!CookieMgr::cookieFilePath(fuzz::scratchDir(), cookie.domain.getString(), file))
        return;
    unlink(file.getString());
    if (!CookieMgr::saveCookie(fuzz::scratchDir(), cookie, nullptr))
        return;
    CookieJar jar;
    fuzz::check(CookieMgr::loadCookies(fuzz::scratchDir(), cookie.domain.getString(), jar, nullptr));
    unlink(file.getString());
    const Cookie* loaded = nullptr;
    for (int i = 0; i < jar.getNumCookies() && loaded == nullptr; ++i) {
        if (jar.getCookie(i)->domain.equalsSb(cookie.domain) && jar.getCookie(i)->path.equalsSb(cookie.path))
            loaded = jar.getCookie(i);
    }
    fuzz::check(loaded != nullptr);
    fuzz::check(loaded->version == cookie.version && loaded->secure == cookie.secure &&
                loaded->expire.equalsSb(cookie.expire));
    for (int i = 0; i < loaded->getNumPairs(); ++i) {
        const char* value = lastValueOf(cookie, loaded->getPair(i)->getKey());
        fuzz::check(value != nullptr);
        std::string stored = fuzz::trimmedAsXmlContent(value);
        if (fuzz::readsBackFromXmlContent(stored))
            fuzz::check(stored == loaded->getPair(i)->getValue());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    fuzz::Text text(data, size);
    MimeHeader header;
    header.parseHeaderText(text.get());
    CookieJar jar;
    CookieMgr::extractSetCookies(header, ".example.com", jar);
    for (int i = 0; i < jar.getNumCookies(); ++i)
        checkStoredAndLoaded(*jar.getCookie(i));
    return 0;
}
