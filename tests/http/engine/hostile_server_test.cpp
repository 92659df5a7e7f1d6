// Servers that are broken or hostile: each request ends in bounded time with a false result and
// a message, memory stays bounded, and the next request on the same client succeeds, because
// nothing of the bad connection is kept.
#include "../../base/file_test_support.h"
#include "base/data_buffer.h"
#include "http/http_client.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "script_server.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <string>
#include <sys/resource.h>

namespace {

using file_test::RecordingLog;
using test_support::closeConnection;
using test_support::delay;
using test_support::drip;
using test_support::expect;
using test_support::resetConnection;
using test_support::ScriptServer;
using test_support::send;

// A gzip member of `zeros` zero bytes: a few hundred kilobytes that claim a great deal more.
std::string gzipBomb(size_t zeros) {
    z_stream stream{};
    deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, 16 + MAX_WBITS, 9, Z_DEFAULT_STRATEGY);
    std::string chunk(1 << 20, '\0');
    std::string out;
    char buffer[65536];
    for (size_t done = 0; done < zeros; done += chunk.size()) {
        stream.next_in = reinterpret_cast<Bytef*>(chunk.data());
        stream.avail_in = static_cast<uInt>(chunk.size());
        int flush = done + chunk.size() >= zeros ? Z_FINISH : Z_NO_FLUSH;
        do {
            stream.next_out = reinterpret_cast<Bytef*>(buffer);
            stream.avail_out = sizeof(buffer);
            deflate(&stream, flush);
            out.append(buffer, sizeof(buffer) - stream.avail_out);
        } while (stream.avail_out == 0);
    }
    deflateEnd(&stream);
    return out;
}

long maxResidentKiB() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

struct HostileCase {
    const char* name;
    test_support::Script script;
    int maxContentLength;
    const char* message;
};

std::vector<HostileCase> hostileCases() {
    std::string endlessChunks = "HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\n";
    for (int i = 0; i < 600; ++i)
        endlessChunks += "1000\r\n" + std::string(4096, 'c') + "\r\n";
    static const std::string bomb = gzipBomb(size_t{1} << 30);
    std::string bombResponse =
        "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(bomb.size()) + "\r\n\r\n" + bomb;
    return {
        {"headerThatNeverEnds",
         {expect("\r\n\r\n"), send("HTTP/1.1 200 OK\r\n" + std::string(200000, 'h')), delay(3000)},
         0,
         "Response header is too large."},
        {"oneMebibyteHeader",
         {expect("\r\n\r\n"), send("HTTP/1.1 200 OK\r\nX-Big: " + std::string(1 << 20, 'x') + "\r\n\r\nbody"),
          delay(1000)},
         0,
         "Response header is too large."},
        {"endlessChunkedBody",
         {expect("\r\n\r\n"), send(endlessChunks), delay(1000)},
         1000000,
         "Chunked response is too large."},
        {"garbageChunkLine",
         {expect("\r\n\r\n"), send("HTTP/1.1 200 OK\r\nTransfer-Encoding: chunked\r\n\r\nzz!garbage\r\nmore"),
          delay(1000)},
         0,
         "Invalid chunk size in chunked response."},
        {"gzipBomb",
         {expect("\r\n\r\n"), send(bombResponse), delay(500)},
         0,
         "Decompressed data is larger than the maximum allowed."},
        {"lengthLongerThanSent",
         {expect("\r\n\r\n"), send("HTTP/1.1 200 OK\r\nContent-Length: 5000\r\n\r\nshort"),
          closeConnection()},
         0,
         "Failed to get response data"},
        {"oneByteEveryTwoSeconds",
         {expect("\r\n\r\n"), drip(2000, "HTTP/1.1 200 OK\r\nContent-Length: 1\r\n\r\nx")},
         0,
         "The response took longer than the time allowed for it."},
        {"resetInTheBody",
         {expect("\r\n\r\n"),
          send("HTTP/1.1 200 OK\r\nContent-Length: 100000\r\n\r\n" + std::string(3000, 'r')), delay(100),
          resetConnection()},
         0,
         "Failed to get response data"},
    };
}

class HostileServerTest : public ::testing::TestWithParam<size_t> {};

TEST_P(HostileServerTest, FailsInBoundedTimeAndTheNextRequestWorks) {
    static const std::vector<HostileCase> cases = hostileCases();
    const HostileCase& c = cases[GetParam()];
    ScriptServer server;
    server.addScript(c.script);
    server.addScript(
        {expect("\r\n\r\n"), send("HTTP/1.1 200 OK\r\nContent-Length: 4\r\n\r\nfine"), delay(300)});
    ASSERT_TRUE(server.start());

    HttpControl control;
    control.connectTimeout = 2;
    control.readTimeout = 3;
    control.maxContentLength = c.maxContentLength;
    HttpClient client;
    client.setTarget("127.0.0.1", server.port());
    client.setMaxResponseMs(5000);
    std::string url = "http://127.0.0.1:" + std::to_string(server.port()) + "/";

    long residentBefore = maxResidentKiB();
    RecordingLog log;
    DataBuffer body;
    HttpResult result;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.quickRequest(url.c_str(), control, body, result, &log)) << c.name;
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8)) << c.name;
    EXPECT_TRUE(log.hasError(c.message)) << c.name;
    EXPECT_LT(maxResidentKiB() - residentBefore, 400 * 1024) << c.name;
    EXPECT_LE(body.getSize(), 1u << 25) << c.name;

    RecordingLog next;
    ASSERT_TRUE(client.quickRequest(url.c_str(), control, body, result, &next)) << c.name;
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(body.getData()), body.getSize()), "fine") << c.name;
}

const char* const kCaseNames[] = {"headerThatNeverEnds",    "oneMebibyteHeader", "endlessChunkedBody",
                                  "garbageChunkLine",       "gzipBomb",          "lengthLongerThanSent",
                                  "oneByteEveryTwoSeconds", "resetInTheBody"};

std::string caseName(const ::testing::TestParamInfo<size_t>& info) {
    return kCaseNames[info.param];
}

INSTANTIATE_TEST_SUITE_P(Servers, HostileServerTest, ::testing::Range<size_t>(0, 8), caseName);

} // namespace
