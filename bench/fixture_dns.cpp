// A name server for the throughput benchmark: answers the A queries for the names of a hosts file
// over UDP, as a crawler's resolver is answered in real use. A hosts file of thousands of names in
// /etc/hosts instead would have the resolver read it through on every look-up, a cost no real crawl
// has. Names it does not know get "no such name"; known names have no IPv6 address.
//   fixture_dns <hosts-file> [port]
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <cstdint>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <unordered_map>

namespace {

constexpr uint16_t kTypeA = 1;
constexpr uint16_t kNoSuchName = 3;

// The question's name in dotted form, lower case; the offset after it, or 0 when it is malformed.
size_t readName(const unsigned char* p, size_t n, size_t at, std::string& name) {
    while (at < n && p[at] != 0) {
        size_t length = p[at];
        if (length > 63 || at + 1 + length > n)
            return 0;
        if (!name.empty())
            name += '.';
        for (size_t i = 0; i < length; ++i)
            name += static_cast<char>(std::tolower(p[at + 1 + i]));
        at += 1 + length;
    }
    return at < n ? at + 1 : 0;
}

void put16(std::string& out, uint16_t v) {
    out += static_cast<char>(v >> 8);
    out += static_cast<char>(v & 0xFF);
}

} // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: fixture_dns <hosts-file> [port]\n");
        return 2;
    }
    std::unordered_map<std::string, in_addr> addresses;
    std::ifstream hosts(argv[1]);
    for (std::string line; std::getline(hosts, line);) {
        std::istringstream fields(line);
        std::string address, name;
        in_addr parsed{};
        if (!(fields >> address) || inet_pton(AF_INET, address.c_str(), &parsed) != 1)
            continue;
        while (fields >> name)
            addresses[name] = parsed;
    }
    int sock = socket(AF_INET, SOCK_DGRAM, 0);
    sockaddr_in local{};
    local.sin_family = AF_INET;
    local.sin_port = htons(static_cast<uint16_t>(argc > 2 ? std::atoi(argv[2]) : 53));
    local.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (sock < 0 || bind(sock, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
        std::perror("fixture_dns");
        return 1;
    }
    unsigned char query[512];
    for (;;) {
        sockaddr_in peer{};
        socklen_t peerLength = sizeof peer;
        ssize_t n = recvfrom(sock, query, sizeof query, 0, reinterpret_cast<sockaddr*>(&peer), &peerLength);
        if (n < 12)
            continue;
        std::string name;
        size_t end = readName(query, static_cast<size_t>(n), 12, name);
        if (end == 0 || end + 4 > static_cast<size_t>(n))
            continue;
        uint16_t type = static_cast<uint16_t>(query[end] << 8 | query[end + 1]);
        auto known = addresses.find(name);
        bool answer = known != addresses.end() && type == kTypeA;
        // The header with the query's id and recursion flag, one question, then the answer.
        std::string reply(reinterpret_cast<char*>(query), 2);
        put16(reply, static_cast<uint16_t>(0x8080 | (query[2] & 0x01) << 8 |
                                           (known == addresses.end() ? kNoSuchName : 0)));
        put16(reply, 1);
        put16(reply, answer ? 1 : 0);
        put16(reply, 0);
        put16(reply, 0);
        reply.append(reinterpret_cast<char*>(query) + 12, end + 4 - 12);
        if (answer) {
            put16(reply, 0xC00C);
            put16(reply, kTypeA);
            put16(reply, 1);
            put16(reply, 0);
            put16(reply, 300);
            put16(reply, 4);
            reply.append(reinterpret_cast<const char*>(&known->second), 4);
        }
        sendto(sock, reply.data(), reply.size(), 0, reinterpret_cast<sockaddr*>(&peer), peerLength);
    }
}
