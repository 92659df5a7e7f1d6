#include "http/http_man.h"

#include "base/data_buffer.h"
#include "base/string_buffer.h"
#include "base/url_parse.h"
#include "charset/code_page_names.h"
#include "charset/code_pages.h"
#include "charset/encoding_convert.h"
#include "http/http_client.h"
#include "markup/html_tag_text.h"

namespace {

constexpr unsigned kUsAscii = 20127;

} // namespace

void HttpMan::GetFinalRedirectUrl(StringBuffer& out) const {
    out.setSb(m_result.finalRedirectUrl);
}

bool HttpMan::HostUnreachable(const char* host) {
    uint32_t ms =
        m_control.connectTimeout > 0 ? static_cast<uint32_t>(m_control.connectTimeout) * 1000 : UINT32_MAX;
    return m_control.hostAddresses.unreachable(host, m_control.deadline.cap(ms), &log());
}

bool HttpMan::QuickGetHtml(const char* url, StringBuffer& html) {
    enterMethod("QuickGetHtml");
    LogBase* log = &this->log();
    m_result.clear();
    html.clear();
    if (m_control.deadline.expired()) {
        log->LogError("The time budget for this site is spent.");
        log->LogData("url", url == nullptr ? "" : url);
        leaveMethod();
        return false;
    }

    StringBuffer host, login, password, path, query, fragment;
    int port = 80;
    if (!parseUrl(url, host, port, login, password, path, query, fragment)) {
        log->LogError("Failed to parse URL");
        log->LogData("url", url == nullptr ? "" : url);
        leaveMethod();
        return false;
    }
    if (login.getSize() > 0 && password.getSize() > 0) {
        m_control.login.setSb(login);
        m_control.password.setSb(password);
    }
    HttpClient* client = m_pool.getConnection(host.getString(), port, m_control, log);
    if (client == nullptr) {
        leaveMethod();
        return false;
    }
    DataBuffer body;
    bool ok = client->quickRequest(url, m_control, body, m_result, log);
    if (ok && body.getSize() > 0) {
        StringBuffer charset;
        m_result.responseHeader.fields.getFieldParam("Content-Type", "charset", charset);
        charset.trim();
        if (charset.getSize() == 0 && !body.is7bit()) {
            StringBuffer text;
            text.appendDb(body);
            HtmlTagText::getCharset(text.getString(), charset);
        }
        unsigned codePage = charset.getSize() > 0 ? CodePageFromName(charset.getString()) : 0;
        if (codePage != CodePages::kUtf8 && codePage != kUsAscii) {
            DataBuffer converted;
            EncodingConvert conv;
            conv.Convert(codePage, CodePages::kUtf8, body.getData(), body.getSize(), converted);
            html.appendDb(converted.getSize() > 0 ? converted : body);
        } else {
            html.appendDb(body);
        }
    }
    leaveMethod();
    return ok;
}
