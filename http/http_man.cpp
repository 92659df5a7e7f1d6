#include "http/http_man.h"

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "base/url_parse.h"
#include "charset/encoding_finder.h"
#include "http/http_client.h"

namespace {

bool isBlank(const DataBuffer& body) {
    for (uint32_t i = 0; i < body.getSize(); ++i) {
        unsigned char c = body.getData()[i];
        if (c != ' ' && c != '\t' && c != '\r' && c != '\n' && c != '\f' && c != '\v')
            return false;
    }
    return true;
}

} // namespace

void HttpMan::GetFinalRedirectUrl(StringBuffer& out) const {
    out.setSb(m_result.finalRedirectUrl);
}

bool HttpMan::HostUnreachable(const char* host) {
    uint32_t ms =
        m_control.connectTimeout > 0 ? static_cast<uint32_t>(m_control.connectTimeout) * 1000 : UINT32_MAX;
    return m_control.hostAddresses.unreachable(host, m_control.deadline.cap(ms), &log());
}

void HttpMan::NoteFailure(FetchFailure cause, const char* detail) {
    if (m_failure != FetchFailure::None)
        return;
    m_failure = cause;
    m_failureDetail.setString(detail == nullptr ? "" : detail);
}

bool HttpMan::isPage(const DataBuffer& body, LogBase* log) {
    int status = m_result.responseHeader.statusCode;
    const char* reason = nullptr;
    if (status >= 400)
        reason = "The server answered with an error status; no page.";
    else if (status >= 300 && status < 400 && m_control.followRedirects)
        reason = "A redirect was not followed; no page.";
    else if (status >= 300 && status < 400)
        // The caller asked for the redirect itself.
        return true;
    else if (status == 204)
        reason = "The server answered 204 No Content; no page.";
    else if (isBlank(body))
        reason = "The page is empty.";
    if (reason == nullptr)
        return true;
    if (status >= 400) {
        StringBuffer code;
        code.appendInt(status);
        NoteFailure(FetchFailure::HttpStatus, code.getString());
    } else {
        NoteFailure(FetchFailure::Other, reason);
    }
    log->LogError(reason);
    log->LogDataLong("statusCode", status);
    return false;
}

bool HttpMan::QuickGetHtml(const char* url, StringBuffer& html) {
    enterMethod("QuickGetHtml");
    LogBase* log = &this->log();
    m_result.clear();
    m_page.clear();
    html.clear();
    if (m_control.deadline.expired()) {
        log->LogError("The time budget for this site is spent.");
        log->LogData("url", url == nullptr ? "" : url);
        NoteFailure(FetchFailure::Budget, url);
        leaveMethod();
        return false;
    }

    StringBuffer host, login, password, path, query, fragment;
    int port = 80;
    if (!parseUrl(url, host, port, login, password, path, query, fragment)) {
        log->LogError("Failed to parse URL");
        log->LogData("url", url == nullptr ? "" : url);
        NoteFailure(FetchFailure::InvalidUrl, url);
        leaveMethod();
        return false;
    }
    if (login.getSize() > 0 && password.getSize() > 0) {
        m_control.login.setSb(login);
        m_control.password.setSb(password);
        m_credentialsHost.setSb(host);
    }
    HttpClient* client = m_pool.getConnection(host.getString(), port, m_control, log);
    if (client == nullptr) {
        NoteFailure(FetchFailure::Other, url);
        leaveMethod();
        return false;
    }
    // Credentials a URL gave for one host are withheld from requests to any other.
    StringBuffer keptLogin, keptPassword;
    bool withheld = m_credentialsHost.getSize() > 0 && !m_credentialsHost.equalsIgnoreCaseSb(host);
    if (withheld) {
        keptLogin.setSb(m_control.login);
        keptPassword.setSb(m_control.password);
        m_control.login.clear();
        m_control.password.clear();
    }
    DataBuffer body;
    bool ok = client->quickRequest(url, m_control, body, m_result, log);
    if (withheld) {
        m_control.login.setSb(keptLogin);
        m_control.password.setSb(keptPassword);
    }
    if (!ok)
        NoteFailure(m_result.failure == FetchFailure::None ? FetchFailure::Other : m_result.failure,
                    m_result.failure == FetchFailure::None ? url : m_result.failureDetail.getString());
    ok = ok && isPage(body, log);
    if (ok) {
        m_failure = FetchFailure::None;
        m_failureDetail.clear();
        StringBuffer charset;
        m_result.responseHeader.fields.getFieldParam("Content-Type", "charset", charset);
        EncodingFinder::find(body.getData(), body.getSize(), charset.getString(), m_page);
        EncodingFinder::decode(body.getData(), body.getSize(), m_page.codePage, html);
    }
    leaveMethod();
    return ok;
}
