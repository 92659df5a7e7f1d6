#include "base/data_buffer.h"
#include "buffer_text.h"
#include "engine_test_support.h"
#include "http/http_client.h"
#include "http/http_control.h"
#include "http/http_result.h"
#include "script_server.h"
#include "tests/support/file_test_support.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <chrono>
#include <string>
#include <sys/resource.h>

namespace {

using file_test::RecordingLog;
using test_support::bytesOf;
using test_support::delay;
using test_support::expect;
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

// A gzip body of a mebibyte that inflates to a gibibyte: memory stays bounded, the request fails
// in bounded time, and the next request on the same client succeeds. The other hostile servers
// are engine cases (cases/*.case); this one needs the process's memory measured.
TEST(HostileServer, GzipBombFailsWithinBoundedMemory) {
    static const std::string bomb = gzipBomb(size_t{1} << 30);
    ScriptServer server;
    server.addScript({expect("\r\n\r\n"), send(engine_test::okResponse(bomb)), delay(500)});
    server.addScript({expect("\r\n\r\n"), send(engine_test::okResponse("fine")), delay(300)});
    ASSERT_TRUE(server.start());

    HttpControl control;
    control.connectTimeout = 2;
    control.readTimeout = 3;
    HttpClient client;
    client.setTarget("127.0.0.1", server.port());
    client.setMaxResponseMs(5000);
    std::string url = engine_test::loopbackUrl(server.port(), "/");

    long residentBefore = maxResidentKiB();
    RecordingLog log;
    DataBuffer body;
    HttpResult result;
    auto start = std::chrono::steady_clock::now();
    EXPECT_FALSE(client.quickRequest(url.c_str(), control, body, result, &log));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(8));
    EXPECT_TRUE(log.hasError("Decompressed data is larger than the maximum allowed."));
    EXPECT_LT(maxResidentKiB() - residentBefore, 400 * 1024);
    EXPECT_LE(body.getSize(), 1u << 25);

    RecordingLog next;
    ASSERT_TRUE(client.quickRequest(url.c_str(), control, body, result, &next));
    EXPECT_EQ(bytesOf(body), "fine");
}

} // namespace
