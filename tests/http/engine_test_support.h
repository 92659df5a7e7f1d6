// What the engine tests share: a plain 200 answer and the URL of a loopback server.
#pragma once

#include <cstdint>
#include <string>

namespace engine_test {

inline std::string okResponse(const std::string& body) {
    return "HTTP/1.1 200 OK\r\nContent-Length: " + std::to_string(body.size()) + "\r\n\r\n" + body;
}

inline std::string loopbackUrl(uint16_t port, const std::string& path, const std::string& user = "") {
    return "http://" + user + "127.0.0.1:" + std::to_string(port) + path;
}

} // namespace engine_test
