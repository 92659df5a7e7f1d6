// Cookie files and the Cookie request value.
#include "http/cookie_mgr.h"

#include "base/domain_helpers.h"
#include "base/file_sys.h"
#include "base/log_base.h"
#include "base/string_buffer.h"
#include "base/string_pair.h"
#include "http/cookie.h"
#include "http/mime_header.h"
#include "markup/cls_xml.h"
#include "markup/xml_serializer.h"

#include <cstring>
#include <strings.h>

namespace {

// A registrable domain that can be a file name: letters, digits, '-', '_' and '.'.
bool isPlainDomain(const StringBuffer& domain) {
    for (int i = 0; i < domain.getSize(); ++i) {
        char c = domain.charAt(i);
        bool ok = (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' || c == '_' || c == '.';
        if (!ok) {
            return false;
        }
    }
    return true;
}

// A cookie name that the XML writer keeps as it is, so that it reads back as the same tag; a
// name it would change ("1st", ".x", "a,b") would come back as a cookie the server never set.
bool isStorableName(const char* name) {
    if (name == nullptr || name[0] == '\0') {
        return false;
    }
    StringBuffer written;
    appendXmlName(written, name, static_cast<int>(strlen(name)));
    return written.equals(name);
}

void makeKey(const Cookie& cookie, StringBuffer& key) {
    key.setSb(cookie.domain);
    key.appendChar(',');
    key.appendSb(cookie.path);
}

// The "cookie" child of `root` whose key is `key`, or null. The caller deletes the cursor.
ClsXml* findCookieElement(const ClsXml& root, const StringBuffer& key) {
    ClsXml* child = root.FirstChild();
    if (child == nullptr) {
        return nullptr;
    }
    StringBuffer childKey;
    do {
        if (strcmp(child->get_Tag(), "cookie") == 0 && child->GetAttrValue("key", childKey) &&
            childKey.equalsSb(key)) {
            return child;
        }
    } while (child->NextSibling2());
    delete child;
    return nullptr;
}

void writeCookieElement(const Cookie& cookie, ClsXml& element) {
    element.AddAttributeInt("v", cookie.version);
    if (cookie.expire.getSize() > 0) {
        element.AddAttribute("expire", cookie.expire.getString());
    }
    if (cookie.maxAge != 0) {
        element.AddAttributeInt("maxAge", cookie.maxAge);
    }
    if (cookie.secure) {
        element.AddAttribute("secure", "yes");
    }
    if (cookie.discard) {
        element.AddAttribute("discard", "yes");
    }
    for (int i = 0; i < cookie.getNumPairs(); ++i) {
        const StringPair* pair = cookie.getPair(i);
        if (!isStorableName(pair->getKey())) {
            continue;
        }
        ClsXml* child = element.GetChildWithTag(pair->getKey());
        if (child != nullptr) {
            child->put_Content(pair->getValue());
            delete child;
        } else {
            element.NewChild2(pair->getKey(), pair->getValue());
        }
    }
}

// The cookie of one "cookie" element, or null when its key has no domain.
Cookie* readCookieElement(const ClsXml& element) {
    StringBuffer key;
    element.GetAttrValue("key", key);
    const char* text = key.getString();
    const char* comma = strchr(text, ',');
    StringBuffer domain;
    domain.appendN(text, comma != nullptr ? static_cast<int>(comma - text) : key.getSize());
    if (domain.getSize() == 0) {
        return nullptr;
    }
    Cookie* cookie = new Cookie();
    cookie->domain.setSb(domain);
    if (comma != nullptr) {
        cookie->path.setString(comma + 1);
    }
    element.GetAttrValue("expire", cookie->expire);
    cookie->version = element.GetAttrValueInt("v");
    cookie->secure = element.HasAttrWithValue("secure", "yes");
    if (cookie->version == 1) {
        cookie->maxAge = element.GetAttrValueInt("maxAge");
        cookie->discard = element.HasAttrWithValue("discard", "yes");
    }
    ClsXml* child = element.FirstChild();
    if (child != nullptr) {
        do {
            cookie->addPair(child->get_Tag(), child->get_Content());
        } while (child->NextSibling2());
        delete child;
    }
    return cookie;
}

// The host is the domain (without its leading '.') or lies below it.
bool domainMatches(const StringBuffer& host, const StringBuffer& cookieDomain) {
    StringBuffer domain(cookieDomain);
    domain.trim();
    domain.toLowerCase();
    const char* d = domain.getString();
    if (*d == '.') {
        ++d;
    }
    size_t dn = strlen(d);
    size_t hn = static_cast<size_t>(host.getSize());
    if (dn == 0 || dn > hn) {
        return false;
    }
    const char* tail = host.getString() + (hn - dn);
    return strcmp(tail, d) == 0 && (hn == dn || tail[-1] == '.');
}

bool pathMatches(const char* requestPath, const StringBuffer& cookiePath) {
    if (cookiePath.getSize() == 0 || cookiePath.equals("/")) {
        return true;
    }
    return strncmp(requestPath, cookiePath.getString(), static_cast<size_t>(cookiePath.getSize())) == 0;
}

} // namespace

void CookieMgr::extractSetCookies(const MimeHeader& header, const char* defaultDomain, CookieJar& out) {
    for (int i = 0; i < header.getNumFields(); ++i) {
        const MimeField* field = header.getFieldAt(i);
        if (strncasecmp(field->getName(), "Set-Cookie", 10) != 0) {
            continue;
        }
        int version = 0;
        if (field->nameIs("Set-Cookie2")) {
            version = 1;
        } else if (!field->nameIs("Set-Cookie")) {
            continue;
        }
        Cookie* cookie = new Cookie();
        cookie->version = version;
        parseSetCookieValue(field->getValue(), *cookie);
        if (cookie->domain.getSize() == 0) {
            cookie->domain.setString(defaultDomain);
        }
        if (cookie->domain.getSize() == 0) {
            delete cookie;
            continue;
        }
        out.addCookie(cookie);
    }
}

void CookieMgr::parseSetCookieValue(const char* value, Cookie& cookie) {
    StringBuffer text(value);
    ExtPtrArray parts;
    text.split(parts, ';', true, false);
    StringBuffer name;
    StringBuffer partValue;
    for (int i = 0; i < parts.getSize(); ++i) {
        StringBuffer* part = static_cast<StringBuffer*>(parts.elementAt(i));
        part->trim();
        if (part->getSize() == 0) {
            continue;
        }
        if (!part->containsChar('=')) {
            if (part->equalsIgnoreCase("secure")) {
                cookie.secure = true;
            } else if (part->equalsIgnoreCase("discard")) {
                cookie.discard = true;
            } else {
                cookie.addPair(part->getString(), "");
            }
            continue;
        }
        part->splitNameValue(name, partValue);
        if (name.equalsIgnoreCase("domain")) {
            cookie.domain.setSb(partValue);
        } else if (name.equalsIgnoreCase("path")) {
            cookie.path.setSb(partValue);
        } else if (name.equalsIgnoreCase("expires")) {
            cookie.expire.setSb(partValue);
        } else if (name.equalsIgnoreCase("port") || name.equalsIgnoreCase("comment") ||
                   name.equalsIgnoreCase("commentUrl")) {
            continue;
        } else if (name.equalsIgnoreCase("version")) {
            if (partValue.equals("0") || partValue.equals("1")) {
                cookie.version = partValue.intValue();
            }
        } else if (name.equalsIgnoreCase("max-age")) {
            cookie.maxAge = partValue.intValue();
        } else if (name.getSize() > 0) {
            cookie.addPair(name.getString(), partValue.getString());
        }
    }
    parts.removeAllObjects();
}

bool CookieMgr::cookieFilePath(const char* dir, const char* domain, StringBuffer& out) {
    out.clear();
    if (dir == nullptr || dir[0] == '\0' || domain == nullptr) {
        return false;
    }
    StringBuffer name(domain);
    name.trim();
    name.toLowerCase();
    if (name.charAt(0) == '.') {
        name.removeChunk(0, 1);
    }
    if (name.getSize() == 0) {
        return false;
    }
    StringBuffer base;
    getBaseDomain(name.getString(), base);
    if (base.getSize() == 0 || !isPlainDomain(base)) {
        return false;
    }
    base.replaceChar('.', '_');
    out.setString(dir);
    if (out.lastChar() != '/' && out.lastChar() != '\\') {
        out.appendChar('/');
    }
    out.appendSb(base);
    out.append(".xml");
    return true;
}

bool CookieMgr::loadCookies(const char* dir, const char* host, CookieJar& jar, LogBase* log) {
    jar.clear();
    StringBuffer path;
    if (!cookieFilePath(dir, host, path) || !FileSys::FileExists(path.getString())) {
        return false;
    }
    ClsXml xml;
    if (!xml.LoadXmlFile(path.getString())) {
        if (log != nullptr) {
            log->LogError("Failed to load cookie file");
            log->LogData("filename", path.getString());
        }
        return false;
    }
    ClsXml* child = xml.FirstChild();
    if (child == nullptr) {
        return true;
    }
    do {
        if (strcmp(child->get_Tag(), "cookie") == 0) {
            jar.addCookie(readCookieElement(*child));
        }
    } while (child->NextSibling2());
    delete child;
    return true;
}

bool CookieMgr::saveCookie(const char* dir, const Cookie& cookie, LogBase* log) {
    StringBuffer path;
    // The key is read back split at its first ',': a domain holding one would load as another.
    if (cookie.domain.containsChar(',') || !cookieFilePath(dir, cookie.domain.getString(), path)) {
        if (log != nullptr) {
            log->LogError("No cookie file for this domain");
            log->LogData("domain", cookie.domain.getString());
        }
        return false;
    }
    ClsXml xml;
    if (!FileSys::FileExists(path.getString()) || !xml.LoadXmlFile(path.getString())) {
        xml.put_Tag("cookies");
    }
    StringBuffer key;
    makeKey(cookie, key);
    ClsXml* element = findCookieElement(xml, key);
    if (element == nullptr) {
        element = xml.NewChild("cookie", nullptr);
        element->AddAttribute("key", key.getString());
    }
    writeCookieElement(cookie, *element);
    delete element;
    if (!xml.SaveXml(path.getString())) {
        if (log != nullptr) {
            log->LogError("Failed to save cookie file");
            log->LogData("filename", path.getString());
        }
        return false;
    }
    return true;
}

bool CookieMgr::saveResponseCookies(const char* dir, const MimeHeader& header, const char* host,
                                    LogBase* log) {
    StringBuffer base;
    getBaseDomain(host != nullptr ? host : "", base);
    StringBuffer defaultDomain;
    if (base.getSize() > 0) {
        defaultDomain.appendChar('.');
        defaultDomain.appendSb(base);
    }
    CookieJar jar;
    extractSetCookies(header, defaultDomain.getString(), jar);
    bool ok = true;
    for (int i = 0; i < jar.getNumCookies(); ++i) {
        ok = saveCookie(dir, *jar.getCookie(i), log) && ok;
    }
    return ok;
}

void CookieMgr::buildCookieHeaderValue(const CookieJar& jar, const char* host, const char* path,
                                       StringBuffer& out) {
    out.clear();
    StringBuffer lowerHost(host);
    lowerHost.trim();
    lowerHost.toLowerCase();
    const char* requestPath = path != nullptr ? path : "";
    ExtPtrArray emitted; // names already written; the pointers belong to the jar's pairs
    for (int i = 0; i < jar.getNumCookies(); ++i) {
        const Cookie* cookie = jar.getCookie(i);
        if (!domainMatches(lowerHost, cookie->domain) || !pathMatches(requestPath, cookie->path)) {
            continue;
        }
        for (int j = 0; j < cookie->getNumPairs(); ++j) {
            const StringPair* pair = cookie->getPair(j);
            bool seen = false;
            for (int k = 0; k < emitted.getSize() && !seen; ++k) {
                seen = strcmp(static_cast<const char*>(emitted.elementAt(k)), pair->getKey()) == 0;
            }
            if (seen) {
                continue;
            }
            emitted.appendPtr(const_cast<char*>(pair->getKey()));
            if (out.getSize() > 0) {
                out.append("; ");
            }
            out.append(pair->getKey());
            out.append("=\"");
            out.append(pair->getValue());
            out.appendChar('"');
        }
    }
}
