// The shared domain queue on a Redis server, for many crawler processes on many machines.
//
// The input is the stream `<queueName>`, one entry per domain (field "d"), read by the consumer
// group `<queueName>`; each process joins it as consumer `<host>:<pid>`. A worker takes one entry
// with XREADGROUP and, when its domain is done, runs one server-side script that acknowledges the
// entry and, only if that acknowledgement was the first for it and the domain has no line yet
// (the set `<queueName>:domains`), adds the line to `<queueName>:results` or `<queueName>:errors`.
// So a domain run twice, because a claim took it from a consumer thought dead or because a reply
// was lost and the command retried, still gives one line. Entries another consumer has held
// longer than kQueueClaimIdleMs are claimed with XAUTOCLAIM; entries of a consumer on this host
// whose process no longer exists are claimed at once. A process ends when the group has nothing
// undelivered and nothing pending. A server that goes away is retried with a doubling pause, up
// to kQueueGiveUpMs; what a process could not acknowledge stays pending and is claimed by another.
//
// This is the one file that speaks to the server.
#pragma once

#include "app/crawler_config.h"
#include "app/domain_queue.h"
#include "base/string_buffer.h"

// redis://[[user]:password@]host[:port][/db]
struct RedisAddress {
    StringBuffer host;
    int port = 6379;
    StringBuffer user;
    StringBuffer password;
    int db = 0;
};
bool parseRedisUrl(const char* url, RedisAddress& out);

// The queue as the workers' source of domains and sink of lines.
class RedisQueue : public DomainSource {
public:
    explicit RedisQueue(const CrawlerConfig& config);
    // Reaches the server and makes sure the stream and group exist; false, logged, when not.
    bool open();
    bool next(StringBuffer& domain) override;
    bool finish(bool isError, const StringBuffer& line) override;

private:
    bool claimFromDeadNeighbour(StringBuffer& domain);
    bool claimIdle(StringBuffer& domain);

    RedisAddress m_address;
    bool m_addressOk = false;
    StringBuffer m_stream, m_group, m_results, m_errors, m_domains;
    StringBuffer m_host;     // this machine's name, the first part of the consumer names
    StringBuffer m_consumer; // <host>:<pid>
};

// --enqueue: loads the valid domains of the list at `path`; invalid lines are logged as in a run.
int enqueueDomainList(const CrawlerConfig& config, const char* path);
// --collect: writes the result and error files from the result streams, replacing them whole.
int collectQueueResults(const CrawlerConfig& config);
// --status: the counts of the queue on standard output, one a line.
int printQueueStatus(const CrawlerConfig& config);
