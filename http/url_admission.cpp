// Admission checks and redirect resolution.
#include "http/url_admission.h"

#include "base/log_base.h"
#include "base/url_parse.h"
#include "base/url_resolve.h"
#include "http/http_control.h"

#include <cstring>
#include <strings.h>

namespace {

void logUrl(LogBase* log, const char* url) {
    log->LogData("url", url);
}

} // namespace

bool isRefusedMediaUrl(const char* lowerCaseUrl) {
    static const char* const kExtensions[] = {".asf", ".mp3", ".rm",  ".mpeg", ".mpg", ".avi",
                                              ".mov", ".mp4", ".wmv", ".pps",  ".wma", ".wvx",
                                              ".wax", ".asx", ".wms", ".wmz",  ".wmd"};
    if (lowerCaseUrl == nullptr) {
        return false;
    }
    size_t n = strlen(lowerCaseUrl);
    for (const char* ext : kExtensions) {
        size_t e = strlen(ext);
        if (n >= e && memcmp(lowerCaseUrl + n - e, ext, e) == 0) {
            return true;
        }
    }
    return false;
}

UrlAdmission admitUrl(const char* url, const HttpControl& control, RequestUrl& parsed, LogBase* log) {
    LogNull nullLog;
    if (log == nullptr) {
        log = &nullLog;
    }
    const char* text = url != nullptr ? url : "";
    StringBuffer lower(text);
    lower.toLowerCase();

    if (isRefusedMediaUrl(lower.getString())) {
        log->LogError("Does not support URLs with this file extension");
        logUrl(log, text);
        return UrlAdmission::kRefusedMedia;
    }
    if (lower.containsSubstring("about:blank")) {
        log->LogInfo("Skipping about:blank");
        logUrl(log, text);
        return UrlAdmission::kAboutBlank;
    }
    if (lower.getSize() > control.maxUrlLen) {
        log->LogError("URL is longer than the maximum allowed length.");
        log->LogDataLong("maxUrlLen", control.maxUrlLen);
        logUrl(log, text);
        return UrlAdmission::kTooLong;
    }
    if (!parseUrl(url, parsed.host, parsed.port, parsed.login, parsed.password, parsed.path, parsed.query,
                  parsed.fragment)) {
        log->LogError("Failed to parse URL");
        logUrl(log, text);
        return UrlAdmission::kParseFailed;
    }
    parsed.isTls = strncasecmp(text, "https:", 6) == 0;
    if (parsed.isTls && control.proxyDomain.getSize() > 0) {
        log->LogError("Proxies for SSL are not yet supported.");
        return UrlAdmission::kTlsProxyRefused;
    }
    return UrlAdmission::kAccepted;
}

bool buildRedirectUrl(const char* base, const char* location, StringBuffer& out) {
    return resolveUrlReference(base, location, out);
}
