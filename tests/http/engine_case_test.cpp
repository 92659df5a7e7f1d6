// The request engine against canned servers, one case per file in cases/: the script of every
// connection the server accepts, the settings, the URL, and what must come of it. A new
// regression is a new file. The format, one item per line:
//   request <url>           with escapes; {port} stands for the server's port; a further request line runs
//                           another request on the same client (and kept-alive connection),
//                           and the settings and expectations after it are its own
//   page <url>              the same through HttpMan::QuickGetHtml, whose settings are its own;
//                           body is then the page handed on
//   set <setting> <value>   maxContentLength, cutOversizeBody, followRedirects, readTimeout,
//                           connectTimeout, maxResponseMs, deadlineMs (the settings' own
//                           deadline, from now), proxy (this server as the proxy),
//                           maxUrlLen, cache disk|http (a disk cache in the case's temporary
//                           folder), fetchFromCache, honourNegativeDns, cookies (saved in the
//                           temporary folder), invalidHost <host> (marked so in the DNS cache),
//                           pause <ms> (waits before this request), headers msie|firefox (the
//                           header set), sendHostHeader, extraHeader <name>: <value>, and the
//                           texts referer, login, password, accept, acceptCharset,
//                           acceptLanguage, userAgent, connection (no value: empty)
//   server                  starts the script of the next connection (script steps follow)
//   tls trusted|self-signed the server speaks TLS with a certificate for 127.0.0.1 of that kind
//   result true|false       what the request answers
//   body <text>             the body, with escapes; body-size <n> its size only; body-repeats
//                           <n> <text> the text n times over
//   status <code>, redirected true|false, final-url <url>, from-cache true|false,
//   cache-status <n>
//   log <text>              an entry of the log (error, information, data name or value) equals it
//   no-log <text>           no entry equals it
//   record <text>           HttpMan's record of the call holds the text
//   within <ms>             the request ended within that time
//   connections <n>         the number of connections the server accepted
//   requests <n>            the number of requests the server received on all connections
//   sent <i> <text>         connection i received exactly this text so far (every request on it);
//                           sent-has and sent-lacks: a text it received, or did not
#include "base/data_buffer.h"
#include "buffer_text.h"
#include "http/http_client.h"
#include "http/http_conn_pool.h"
#include "http/http_control.h"
#include "http/http_man.h"
#include "http/http_result.h"
#include "script_server.h"
#include "test_certificates.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

namespace {

using test_support::bytesOf;
using test_support::ScriptServer;

const auto* const kTrust = ::testing::AddGlobalTestEnvironment(new test_support::TrustTestAuthority);

struct EngineCase {
    std::string name;
    std::string path;
};

std::vector<EngineCase> allCases() {
    std::vector<EngineCase> cases;
    for (const std::string& path : file_test::filesIn(ENGINE_CASES_DIR, ".case")) {
        std::string name = std::filesystem::path(path).stem().string();
        std::replace(name.begin(), name.end(), '-', '_');
        cases.push_back({name, path});
    }
    return cases;
}

std::string replacePort(std::string text, uint16_t port) {
    for (size_t at = text.find("{port}"); at != std::string::npos; at = text.find("{port}"))
        text.replace(at, 6, std::to_string(port));
    return text;
}

// Each case runs in a temporary folder of its own, where its caches and cookies go.
class EngineCaseTest : public file_test::TempDirTest, public ::testing::WithParamInterface<EngineCase> {};

// One request of a case, with the settings it changes and what must come of it.
struct CaseRequest {
    bool page;
    std::string url;
    std::vector<std::string> settings;
    std::vector<std::string> expectations;
};

void applySetting(const std::string& setting, uint16_t port, const std::string& tempDir, HttpControl& control,
                  HttpClient& client) {
    std::string name = setting.substr(0, setting.find(' '));
    std::string value =
        name.size() < setting.size() ? replacePort(setting.substr(name.size() + 1), port) : "";
    int number = std::atoi(value.c_str());
    const std::pair<const char*, StringBuffer*> texts[] = {{"referer", &control.referer},
                                                           {"login", &control.login},
                                                           {"password", &control.password},
                                                           {"accept", &control.accept},
                                                           {"acceptCharset", &control.acceptCharset},
                                                           {"acceptLanguage", &control.acceptLanguage},
                                                           {"userAgent", &control.userAgent},
                                                           {"connection", &control.connection}};
    for (const auto& text : texts) {
        if (name == text.first) {
            text.second->setString(value.c_str());
            return;
        }
    }
    if (name == "maxContentLength")
        control.maxContentLength = number;
    else if (name == "followRedirects")
        control.followRedirects = value == "true";
    else if (name == "cutOversizeBody")
        control.cutOversizeBody = value == "true";
    else if (name == "readTimeout")
        control.readTimeout = number;
    else if (name == "connectTimeout")
        control.connectTimeout = number;
    else if (name == "maxUrlLen")
        control.maxUrlLen = number;
    else if (name == "maxResponseMs")
        client.setMaxResponseMs(static_cast<uint32_t>(number));
    else if (name == "deadlineMs")
        control.deadline = Deadline::fromNow(static_cast<uint32_t>(number));
    else if (name == "proxy") {
        control.proxyDomain.setString("127.0.0.1");
        control.proxyPort = port;
    } else if (name == "cache" && value == "disk")
        control.diskCache.AddRoot((tempDir + "/dat").c_str());
    else if (name == "cache" && value == "http") {
        control.useHttpCache = true;
        control.httpCache.addRoot((tempDir + "/caf").c_str());
    } else if (name == "fetchFromCache")
        control.cachePolicy.fetchFromCache = value == "true";
    else if (name == "honourNegativeDns")
        control.cachePolicy.honourNegativeDns = value == "true";
    else if (name == "cookies")
        control.cookieDir.setString(tempDir.c_str());
    else if (name == "invalidHost")
        HttpConnPool::markHostInvalid(control.httpCache, value.c_str(), nullptr);
    else if (name == "headers")
        (value == "msie" ? control.useMsieHeaders : control.useFirefoxHeaders) = true;
    else if (name == "sendHostHeader")
        control.sendHostHeader = value == "true";
    else if (name == "extraHeader") {
        size_t colon = value.find(':');
        control.extraHeaders.addField(value.substr(0, colon).c_str(),
                                      value.substr(std::min(value.size(), colon + 2)).c_str());
    } else if (name == "pause")
        std::this_thread::sleep_for(std::chrono::milliseconds(number));
    else
        FAIL() << "unknown setting " << name;
}

// What came of one request.
struct Outcome {
    bool ok = false;
    long spentMs = 0;
    DataBuffer body;
    HttpResult result;
    file_test::RecordingLog log;
    std::string record;
};

void checkExpectation(const std::string& expectation, uint16_t port, const Outcome& outcome,
                      const ScriptServer& server) {
    const DataBuffer& body = outcome.body;
    const HttpResult& result = outcome.result;
    const file_test::RecordingLog& log = outcome.log;
    std::string logText;
    for (const auto& e : log.entries)
        logText += "  " + e.kind + " " + e.name + " " + e.text + "\n";
    std::string word = expectation.substr(0, expectation.find(' '));
    std::string value = expectation.size() > word.size() ? expectation.substr(word.size() + 1) : "";
    value = replacePort(value, port);
    SCOPED_TRACE(expectation);
    if (word == "result") {
        EXPECT_EQ(outcome.ok, value == "true") << "log:\n" << logText << outcome.record;
    } else if (word == "body") {
        EXPECT_TRUE(bytesOf(body) == test_support::unescape(value))
            << "body: " << bytesOf(body).substr(0, 200);
    } else if (word == "body-repeats") {
        std::string text = test_support::unescape(value.substr(value.find(' ') + 1)), expected;
        for (int i = std::atoi(value.c_str()); i > 0; --i)
            expected += text;
        EXPECT_TRUE(bytesOf(body) == expected) << "body: " << bytesOf(body).substr(0, 200);
    } else if (word == "body-size") {
        EXPECT_EQ(body.getSize(), static_cast<uint32_t>(std::stoul(value)));
    } else if (word == "status") {
        EXPECT_EQ(result.responseHeader.statusCode, std::atoi(value.c_str()));
    } else if (word == "redirected") {
        EXPECT_EQ(result.wasRedirected, value == "true");
    } else if (word == "final-url") {
        EXPECT_STREQ(result.finalRedirectUrl.getString(), value.c_str());
    } else if (word == "from-cache") {
        EXPECT_EQ(result.fromCache, value == "true");
    } else if (word == "cache-status") {
        EXPECT_EQ(result.cacheStatus, std::atoi(value.c_str()));
    } else if (word == "log") {
        value = test_support::unescape(value);
        bool found = false;
        for (const auto& e : log.entries)
            found = found || e.text == value || e.name == value;
        EXPECT_TRUE(found) << "missing from the log: " << value << "\nlog:\n" << logText;
    } else if (word == "no-log") {
        for (const auto& e : log.entries)
            EXPECT_TRUE(e.text != value && e.name != value) << "log:\n" << logText;
    } else if (word == "within") {
        EXPECT_LT(outcome.spentMs, std::atol(value.c_str()));
    } else if (word == "record") {
        EXPECT_NE(outcome.record.find(value), std::string::npos) << outcome.record;
    } else if (word == "connections") {
        EXPECT_EQ(server.connectionCount(), std::atoi(value.c_str()));
    } else if (word == "requests") {
        int requests = 0;
        for (int i = 0; i < server.connectionCount(); ++i)
            for (size_t at = server.received(i).find("GET "); at != std::string::npos;
                 at = server.received(i).find("GET ", at + 1))
                ++requests;
        EXPECT_EQ(requests, std::atoi(value.c_str()));
    } else if (word == "sent" || word == "sent-has" || word == "sent-lacks") {
        std::string received = server.received(std::atoi(value.c_str()));
        std::string text = test_support::unescape(value.substr(value.find(' ') + 1));
        if (word == "sent")
            EXPECT_EQ(received, text);
        else
            EXPECT_EQ(received.find(text) != std::string::npos, word == "sent-has") << received;
    }
}

TEST_P(EngineCaseTest, BehavesAsTheCaseSays) {
    std::ifstream in(GetParam().path, std::ios::binary);
    ASSERT_TRUE(in) << GetParam().path;
    std::vector<std::string> lines;
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        if (!line.empty() && line[0] != '#')
            lines.push_back(line);
    }

    std::vector<CaseRequest> requests;
    std::vector<std::string> scripts;
    std::string tls;
    bool inScript = false;
    std::string scriptText;
    auto flushScript = [&]() {
        if (inScript)
            scripts.push_back(scriptText);
        scriptText.clear();
    };
    static const char* const kExpectationWords[] = {
        "result",      "body",       "body-repeats", "body-size", "status",     "redirected",
        "final-url",   "from-cache", "cache-status", "log",       "no-log",     "within",
        "connections", "requests",   "sent",         "sent-has",  "sent-lacks", "record"};
    for (const std::string& line : lines) {
        std::string word = line.substr(0, line.find(' '));
        bool isExpectation = std::find(std::begin(kExpectationWords), std::end(kExpectationWords), word) !=
                             std::end(kExpectationWords);
        if (word == "server") {
            flushScript();
            inScript = true;
        } else if (word == "tls") {
            tls = line.substr(4);
        } else if (word == "request" || word == "page" || word == "set" || isExpectation) {
            flushScript();
            inScript = false;
            if (word == "request" || word == "page")
                requests.push_back({word == "page", line.substr(word.size() + 1), {}, {}});
            else if (requests.empty())
                FAIL() << "a case starts with its request: " << line;
            else if (word == "set")
                requests.back().settings.push_back(line.substr(4));
            else
                requests.back().expectations.push_back(line);
        } else if (inScript) {
            scriptText += line + "\n";
        } else {
            FAIL() << "line not understood: " << line;
        }
    }
    flushScript();
    ASSERT_FALSE(requests.empty());

    // The scripts are added once the port is known, so they can name it too (a Location to this
    // server). They are parsed in memory; sendfile paths are relative to the case's directory.
    ScriptServer server;
    if (tls.empty()) {
        ASSERT_TRUE(server.start());
    } else {
        test_support::ServerIdentity identity =
            test_support::TestCertificates::instance().issue("127.0.0.1", -1, 30, tls == "self-signed");
        ASSERT_TRUE(server.startTls(identity.certificatePem, identity.keyPem));
    }
    uint16_t port = server.port();
    std::string caseDir = GetParam().path.substr(0, GetParam().path.find_last_of('/') + 1);
    for (const std::string& text : scripts) {
        std::istringstream scriptIn(replacePort(text, port));
        test_support::Script script;
        std::string error;
        ASSERT_TRUE(test_support::parseScript(scriptIn, caseDir, script, error)) << error;
        server.addScript(script);
    }

    // Every request of a case goes through the same client, so a later one may reuse the
    // connection of an earlier one; its settings stay for the requests after it.
    HttpControl control;
    HttpClient client;
    HttpMan http;
    for (HttpControl* c : {&control, &http.control()}) {
        c->connectTimeout = 2;
        c->readTimeout = 3;
    }
    client.setTarget("127.0.0.1", port);
    for (size_t i = 0; i < requests.size(); ++i) {
        SCOPED_TRACE("request " + std::to_string(i + 1));
        for (const std::string& setting : requests[i].settings)
            applySetting(setting, port, m_dir, requests[i].page ? http.control() : control, client);
        std::string url = test_support::unescape(replacePort(requests[i].url, port));
        Outcome outcome;
        auto start = std::chrono::steady_clock::now();
        if (requests[i].page) {
            StringBuffer html;
            outcome.ok = http.QuickGetHtml(url.c_str(), html);
            EXPECT_TRUE(outcome.body.append(html.getString(), static_cast<uint32_t>(html.getSize())));
            outcome.result.wasRedirected = http.GetWasRedirected();
            http.GetFinalRedirectUrl(outcome.result.finalRedirectUrl);
            StringBuffer record;
            http.log().GetXml(record);
            outcome.record = record.getString();
        } else {
            outcome.ok =
                client.quickRequest(url.c_str(), control, outcome.body, outcome.result, &outcome.log);
        }
        outcome.spentMs = static_cast<long>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start)
                .count());
        if (i + 1 == requests.size()) {
            client.closeConnection(nullptr);
            server.waitForFinished(server.connectionCount(), 3000);
        }
        for (const std::string& expectation : requests[i].expectations)
            checkExpectation(expectation, port, outcome, server);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, EngineCaseTest, ::testing::ValuesIn(allCases()),
                         [](const ::testing::TestParamInfo<EngineCase>& info) { return info.param.name; });

TEST(EngineCases, AreThere) {
    EXPECT_GE(allCases().size(), 20u);
}

} // namespace
