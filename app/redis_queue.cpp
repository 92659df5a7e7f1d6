#include "app/redis_queue.h"

#include "app/crawl_run.h"
#include "base/platform.h"
#include "http/limits.h"

#include <hiredis/hiredis.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <unistd.h>
#include <vector>

namespace {

struct ReplyFree {
    void operator()(redisReply* reply) const { freeReplyObject(reply); }
};
using Reply = std::unique_ptr<redisReply, ReplyFree>;
using Command = std::vector<const char*>;

// Acknowledges the entry; only the first acknowledgement of a domain not yet answered adds its line.
const char* const kFinishScript = "if redis.call('XACK', KEYS[1], ARGV[1], ARGV[2]) == 0 then return 0 end "
                                  "if redis.call('SADD', KEYS[3], ARGV[4]) == 0 then return 0 end "
                                  "redis.call('XADD', KEYS[2], '*', 'line', ARGV[3]) return 1";

timeval timeoutOf(uint32_t ms) {
    return timeval{static_cast<time_t>(ms / 1000), static_cast<suseconds_t>(ms % 1000 * 1000)};
}

bool isArray(const redisReply* r, size_t atLeast) {
    return r != nullptr && r->type == REDIS_REPLY_ARRAY && r->elements >= atLeast;
}

bool isText(const redisReply* r) {
    return r != nullptr && (r->type == REDIS_REPLY_STRING || r->type == REDIS_REPLY_STATUS) &&
           r->len <= HttpLimits::kQueueMaxFieldBytes;
}

bool isError(const redisReply* r, const char* prefix) {
    return r != nullptr && r->type == REDIS_REPLY_ERROR &&
           std::strncmp(r->str, prefix, std::strlen(prefix)) == 0;
}

// The value of `field` in a flat field/value array (stream entries, XINFO answers); null if absent.
const redisReply* fieldOf(const redisReply* fields, const char* field) {
    if (!isArray(fields, 0))
        return nullptr;
    for (size_t i = 0; i + 1 < fields->elements; i += 2) {
        if (isText(fields->element[i]) && std::strcmp(fields->element[i]->str, field) == 0)
            return fields->element[i + 1];
    }
    return nullptr;
}

long long integerOf(const redisReply* r) {
    if (r == nullptr)
        return -1;
    if (r->type == REDIS_REPLY_INTEGER)
        return r->integer;
    return isText(r) ? std::atoll(r->str) : -1;
}

// A stream entry [id, [field, value...]]: its id and the text of `field`.
bool readEntry(const redisReply* entry, const char* field, StringBuffer& id, StringBuffer& value) {
    if (!isArray(entry, 2) || !isText(entry->element[0]))
        return false;
    const redisReply* text = fieldOf(entry->element[1], field);
    if (!isText(text))
        return false;
    id.setString(entry->element[0]->str);
    value.setString(text->str);
    return true;
}

// One connection to the server. Every command is retried across a lost connection with a
// doubling pause until the give-up time; the password is sent, never logged.
class RedisLink {
public:
    RedisLink(const RedisAddress& address, uint32_t giveUpMs, FILE* log)
        : m_address(address), m_giveUpMs(giveUpMs), m_log(log) {}
    ~RedisLink() {
        if (m_context != nullptr)
            redisFree(m_context);
    }
    RedisLink(const RedisLink&) = delete;
    RedisLink& operator=(const RedisLink&) = delete;

    // The server's reply, an error reply included; null once the server stayed away too long.
    Reply run(const Command& command) {
        std::vector<Command> one{command};
        std::vector<Reply> replies;
        if (!runAll(one, replies))
            return nullptr;
        return std::move(replies[0]);
    }

    // The commands sent together and their replies read after, as one try; a lost connection
    // sends them all again.
    bool runAll(const std::vector<Command>& commands, std::vector<Reply>& replies) {
        uint32_t start = Platform::GetTickCount();
        uint32_t pause = HttpLimits::kQueueRetryFirstMs;
        bool reported = false;
        for (;;) {
            if ((m_context != nullptr || connect()) && tryAll(commands, replies)) {
                if (reported)
                    logLine("Queue server %s:%d reached again\n");
                return true;
            }
            if (m_refused)
                return false;
            if (!reported)
                logLine("Queue server %s:%d unreachable, trying again: %s\n", m_lastError.getString());
            reported = true;
            if (Platform::GetTickCount() - start >= m_giveUpMs) {
                logLine("Queue server %s:%d gone, giving up\n");
                return false;
            }
            Platform::Sleep(pause);
            pause = pause * 2 > HttpLimits::kQueueRetryMaxMs ? HttpLimits::kQueueRetryMaxMs : pause * 2;
        }
    }

private:
    template <typename... Extra> void logLine(const char* format, Extra... extra) {
        std::fprintf(m_log, format, m_address.host.getString(), m_address.port, extra...);
        std::fflush(m_log);
    }

    void drop() {
        m_lastError.setString(m_context != nullptr && m_context->errstr[0] != '\0' ? m_context->errstr
                                                                                   : "connection lost");
        if (m_context != nullptr)
            redisFree(m_context);
        m_context = nullptr;
    }

    bool tryAll(const std::vector<Command>& commands, std::vector<Reply>& replies) {
        replies.clear();
        for (const Command& c : commands) {
            if (redisAppendCommandArgv(m_context, static_cast<int>(c.size()),
                                       const_cast<const char**>(c.data()), nullptr) != REDIS_OK) {
                drop();
                return false;
            }
        }
        for (size_t i = 0; i < commands.size(); ++i) {
            void* reply = nullptr;
            if (redisGetReply(m_context, &reply) != REDIS_OK || reply == nullptr) {
                drop();
                return false;
            }
            replies.emplace_back(static_cast<redisReply*>(reply));
        }
        return true;
    }

    bool connect() {
        m_context = redisConnectWithTimeout(m_address.host.getString(), m_address.port,
                                            timeoutOf(HttpLimits::kQueueServerTimeoutMs));
        if (m_context == nullptr || m_context->err != 0) {
            drop();
            return false;
        }
        redisSetTimeout(m_context, timeoutOf(HttpLimits::kQueueServerTimeoutMs));
        Command setup;
        if (m_address.password.getSize() > 0) {
            setup = {"AUTH", m_address.password.getString()};
            if (m_address.user.getSize() > 0)
                setup = {"AUTH", m_address.user.getString(), m_address.password.getString()};
            if (!setUp(setup))
                return false;
        }
        std::string db = std::to_string(m_address.db);
        return m_address.db == 0 || setUp({"SELECT", db.c_str()});
    }

    bool setUp(const Command& command) {
        std::vector<Reply> replies;
        if (!tryAll({command}, replies))
            return false;
        if (replies[0]->type != REDIS_REPLY_ERROR)
            return true;
        // A wrong password or database does not mend itself; the server's text carries neither.
        logLine("Queue server %s:%d refused the connection: %s\n", replies[0]->str);
        m_refused = true;
        drop();
        return false;
    }

    RedisAddress m_address;
    uint32_t m_giveUpMs;
    FILE* m_log;
    redisContext* m_context = nullptr;
    StringBuffer m_lastError;
    bool m_refused = false;
};

// Each worker thread talks to the server on its own connection; hiredis contexts are not shared.
thread_local std::unique_ptr<RedisLink> tl_link;
// The entry and domain the calling worker took last.
thread_local StringBuffer tl_entryId;
thread_local StringBuffer tl_domain;

RedisLink& workerLink(const RedisAddress& address) {
    if (!tl_link)
        tl_link = std::make_unique<RedisLink>(address, HttpLimits::kQueueGiveUpMs, stdout);
    return *tl_link;
}

// Takes the first readable entry of a list of entries as the calling worker's domain.
bool takeEntry(const redisReply* entries, StringBuffer& domain) {
    if (!isArray(entries, 1))
        return false;
    for (size_t i = 0; i < entries->elements; ++i) {
        if (readEntry(entries->element[i], "d", tl_entryId, tl_domain)) {
            domain.setSb(tl_domain);
            return true;
        }
    }
    return false;
}

struct QueueNames {
    StringBuffer stream, group, results, errors;
};

void queueNames(const CrawlerConfig& config, QueueNames& names) {
    names.stream.setSb(config.queueName);
    names.group.setSb(config.queueName);
    names.results.setSb(config.queueName);
    names.results.append(":results");
    names.errors.setSb(config.queueName);
    names.errors.append(":errors");
}

// The group, and with it the stream, made if missing; the group reads from the stream's start.
bool ensureGroup(RedisLink& link, const StringBuffer& stream, const StringBuffer& group) {
    Reply r = link.run({"XGROUP", "CREATE", stream.getString(), group.getString(), "0", "MKSTREAM"});
    if (!r)
        return false;
    if (r->type == REDIS_REPLY_ERROR && !isError(r.get(), "BUSYGROUP")) {
        std::printf("Queue server refused the group %s: %s\n", group.getString(), r->str);
        return false;
    }
    return true;
}

bool addressOf(const CrawlerConfig& config, RedisAddress& address, FILE* log) {
    if (parseRedisUrl(config.queue.getString(), address))
        return true;
    // The text may hold a password, so only its form is named.
    std::fputs("The queue setting is not of the form redis://[:password@]host:port[/db]\n", log);
    return false;
}

} // namespace

bool parseRedisUrl(const char* url, RedisAddress& out) {
    out = RedisAddress();
    const char* prefix = "redis://";
    if (std::strncmp(url, prefix, std::strlen(prefix)) != 0)
        return false;
    std::string rest(url + std::strlen(prefix));
    size_t at = rest.rfind('@');
    if (at != std::string::npos) {
        std::string credentials = rest.substr(0, at);
        size_t colon = credentials.find(':');
        if (colon == std::string::npos)
            return false;
        out.user.setString(credentials.substr(0, colon).c_str());
        out.password.setString(credentials.substr(colon + 1).c_str());
        rest = rest.substr(at + 1);
    }
    size_t slash = rest.find('/');
    if (slash != std::string::npos) {
        std::string db = rest.substr(slash + 1);
        if (!db.empty()) {
            if (db.find_first_not_of("0123456789") != std::string::npos || db.size() > 4)
                return false;
            out.db = std::atoi(db.c_str());
        }
        rest = rest.substr(0, slash);
    }
    size_t colon = rest.rfind(':');
    if (!rest.empty() && rest[0] == '[') {
        size_t close = rest.find(']');
        if (close == std::string::npos)
            return false;
        colon = close + 1 < rest.size() && rest[close + 1] == ':' ? close + 1 : std::string::npos;
        out.host.setString(rest.substr(1, close - 1).c_str());
    } else {
        out.host.setString(rest.substr(0, colon).c_str());
    }
    if (colon != std::string::npos) {
        std::string port = rest.substr(colon + 1);
        if (port.empty() || port.size() > 5 || port.find_first_not_of("0123456789") != std::string::npos)
            return false;
        out.port = std::atoi(port.c_str());
        if (out.port < 1 || out.port > 65535)
            return false;
    }
    return out.host.getSize() > 0;
}

RedisQueue::RedisQueue(const CrawlerConfig& config) {
    m_addressOk = addressOf(config, m_address, stdout);
    QueueNames names;
    queueNames(config, names);
    m_stream.setSb(names.stream);
    m_group.setSb(names.group);
    m_results.setSb(names.results);
    m_errors.setSb(names.errors);
    m_domains.setSb(config.queueName);
    m_domains.append(":domains");
    char host[256] = {};
    gethostname(host, sizeof(host) - 1);
    m_host.setString(host);
    m_consumer.setSb(m_host);
    m_consumer.appendChar(':');
    m_consumer.appendInt(static_cast<int>(getpid()));
}

bool RedisQueue::open() {
    return m_addressOk && ensureGroup(workerLink(m_address), m_stream, m_group);
}

bool RedisQueue::next(StringBuffer& domain) {
    RedisLink& link = workerLink(m_address);
    while (!stoppedTakingDomains()) {
        Reply r = link.run({"XREADGROUP", "GROUP", m_group.getString(), m_consumer.getString(), "COUNT", "1",
                            "STREAMS", m_stream.getString(), ">"});
        if (!r)
            return false;
        if (r->type == REDIS_REPLY_ERROR) {
            std::printf("Queue server refused to hand out domains: %s\n", r->str);
            return false;
        }
        // [[stream, [entry]]], or nil when nothing is undelivered.
        if (isArray(r.get(), 1) && isArray(r->element[0], 2) && takeEntry(r->element[0]->element[1], domain))
            return true;
        if (claimFromDeadNeighbour(domain) || claimIdle(domain))
            return true;
        // Others still hold entries; one of them may die and leave its entries to be claimed.
        // Their end is watched closely, so that the last crawler leaves as soon as the queue is
        // done; claims are looked for less often.
        for (uint32_t waited = 0; waited < HttpLimits::kQueueIdlePollMs;
             waited += HttpLimits::kQueueDrainPollMs) {
            Reply pending = link.run({"XPENDING", m_stream.getString(), m_group.getString()});
            if (!pending || !isArray(pending.get(), 1))
                return false;
            if (integerOf(pending->element[0]) <= 0) {
                // Nothing held and, at the top of the loop, nothing undelivered: done. After a
                // wait the stream is read once more, for domains enqueued meanwhile.
                if (waited == 0)
                    return false;
                break;
            }
            if (stoppedTakingDomains())
                return false;
            Platform::Sleep(HttpLimits::kQueueDrainPollMs);
        }
    }
    return false;
}

bool RedisQueue::claimIdle(StringBuffer& domain) {
    std::string idle = std::to_string(HttpLimits::kQueueClaimIdleMs);
    Reply r = workerLink(m_address).run({"XAUTOCLAIM", m_stream.getString(), m_group.getString(),
                                         m_consumer.getString(), idle.c_str(), "0-0", "COUNT", "1"});
    // [next cursor, [entries], [deleted ids]]
    if (!r || !isArray(r.get(), 2) || !takeEntry(r->element[1], domain))
        return false;
    std::printf("Claimed %s, left by a crawler gone silent\n", domain.getString());
    std::fflush(stdout);
    return true;
}

// A consumer of this machine whose process is gone needs no waiting: its entries are claimed at
// once, and once it holds none it leaves the group.
bool RedisQueue::claimFromDeadNeighbour(StringBuffer& domain) {
    RedisLink& link = workerLink(m_address);
    Reply consumers = link.run({"XINFO", "CONSUMERS", m_stream.getString(), m_group.getString()});
    if (!isArray(consumers.get(), 1))
        return false;
    for (size_t i = 0; i < consumers->elements; ++i) {
        const redisReply* name = fieldOf(consumers->element[i], "name");
        if (!isText(name) || std::strncmp(name->str, m_host.getString(), m_host.getSize()) != 0 ||
            name->str[m_host.getSize()] != ':')
            continue;
        long pid = std::atol(name->str + m_host.getSize() + 1);
        if (pid <= 0 || pid == getpid() || kill(static_cast<pid_t>(pid), 0) == 0 || errno != ESRCH)
            continue;
        std::string dead(name->str);
        if (integerOf(fieldOf(consumers->element[i], "pending")) <= 0) {
            link.run({"XGROUP", "DELCONSUMER", m_stream.getString(), m_group.getString(), dead.c_str()});
            continue;
        }
        Reply held =
            link.run({"XPENDING", m_stream.getString(), m_group.getString(), "-", "+", "1", dead.c_str()});
        // [[id, consumer, idle, deliveries]]
        if (!isArray(held.get(), 1) || !isArray(held->element[0], 1) || !isText(held->element[0]->element[0]))
            continue;
        std::string id(held->element[0]->element[0]->str);
        Reply claimed = link.run(
            {"XCLAIM", m_stream.getString(), m_group.getString(), m_consumer.getString(), "0", id.c_str()});
        if (claimed && takeEntry(claimed.get(), domain)) {
            std::printf("Claimed %s, left by %s\n", domain.getString(), dead.c_str());
            std::fflush(stdout);
            return true;
        }
    }
    return false;
}

bool RedisQueue::finish(bool isError, const StringBuffer& line) {
    if (tl_entryId.getSize() == 0)
        return false;
    Reply r = workerLink(m_address).run({"EVAL", kFinishScript, "3", m_stream.getString(),
                                         isError ? m_errors.getString() : m_results.getString(),
                                         m_domains.getString(), m_group.getString(), tl_entryId.getString(),
                                         line.getString(), tl_domain.getString()});
    tl_entryId.clear();
    // Not acknowledged: the entry stays pending and another crawler claims it.
    return r && r->type == REDIS_REPLY_INTEGER;
}

int enqueueDomainList(const CrawlerConfig& config, const char* path) {
    RedisAddress address;
    QueueNames names;
    queueNames(config, names);
    if (!addressOf(config, address, stdout))
        return 1;
    RedisLink link(address, HttpLimits::kQueueToolGiveUpMs, stdout);
    if (!ensureGroup(link, names.stream, names.group))
        return 1;
    FILE* in = std::fopen(path, "rb");
    if (in == nullptr) {
        std::printf("Failed to open %s\n", path);
        return 1;
    }
    CrawlRun run;
    run.queue.setInputStream(in);
    std::vector<StringBuffer> domains(HttpLimits::kEnqueueBatch);
    std::vector<Command> commands;
    std::vector<Reply> replies;
    long long added = 0;
    bool more = true;
    while (more) {
        commands.clear();
        while (commands.size() < domains.size() && (more = run.queue.next(domains[commands.size()])))
            commands.push_back(
                {"XADD", names.stream.getString(), "*", "d", domains[commands.size()].getString()});
        if (commands.empty())
            break;
        if (!link.runAll(commands, replies)) {
            std::printf("Enqueued %lld domains before the queue server was lost\n", added);
            return 1;
        }
        added += static_cast<long long>(commands.size());
    }
    std::printf("Enqueued %lld domains\n", added);
    return 0;
}

namespace {

// Writes the "line" of every entry of `stream` to a new file that replaces `path` when whole.
bool collectStream(RedisLink& link, const StringBuffer& stream, const StringBuffer& path) {
    StringBuffer temp;
    temp.setSb(path);
    temp.append(".collecting");
    FILE* out = std::fopen(temp.getString(), "w");
    if (out == nullptr) {
        std::fprintf(stderr, "Failed to open %s\n", temp.getString());
        return false;
    }
    std::string start = "-";
    std::string count = std::to_string(HttpLimits::kCollectBatch);
    StringBuffer id, line;
    bool complete = false;
    for (;;) {
        Reply r = link.run({"XRANGE", stream.getString(), start.c_str(), "+", "COUNT", count.c_str()});
        if (!r || r->type != REDIS_REPLY_ARRAY)
            break;
        for (size_t i = 0; i < r->elements; ++i) {
            if (readEntry(r->element[i], "line", id, line))
                std::fprintf(out, "%s\n", line.getString());
            if (isArray(r->element[i], 1) && isText(r->element[i]->element[0]))
                start = std::string("(") + r->element[i]->element[0]->str;
        }
        if (r->elements < static_cast<size_t>(HttpLimits::kCollectBatch)) {
            complete = true;
            break;
        }
    }
    complete = std::fclose(out) == 0 && complete;
    if (complete && std::rename(temp.getString(), path.getString()) == 0)
        return true;
    std::remove(temp.getString());
    std::fprintf(stderr, "Failed to collect %s\n", path.getString());
    return false;
}

} // namespace

int collectQueueResults(const CrawlerConfig& config) {
    RedisAddress address;
    QueueNames names;
    queueNames(config, names);
    if (!addressOf(config, address, stderr))
        return 1;
    RedisLink link(address, HttpLimits::kQueueToolGiveUpMs, stderr);
    bool results = collectStream(link, names.results, config.outFile);
    bool errors = collectStream(link, names.errors, config.errFile);
    return results && errors ? 0 : 1;
}

int printQueueStatus(const CrawlerConfig& config) {
    RedisAddress address;
    QueueNames names;
    queueNames(config, names);
    if (!addressOf(config, address, stderr))
        return 1;
    RedisLink link(address, HttpLimits::kQueueToolGiveUpMs, stderr);
    std::vector<Reply> r;
    if (!link.runAll({{"XINFO", "GROUPS", names.stream.getString()},
                      {"XPENDING", names.stream.getString(), names.group.getString()},
                      {"XLEN", names.results.getString()},
                      {"XLEN", names.errors.getString()}},
                     r))
        return 1;
    long long queued = 0;
    for (size_t i = 0; isArray(r[0].get(), 1) && i < r[0]->elements; ++i) {
        const redisReply* name = fieldOf(r[0]->element[i], "name");
        if (isText(name) && std::strcmp(name->str, names.group.getString()) == 0)
            queued = integerOf(fieldOf(r[0]->element[i], "lag"));
    }
    // [count, lowest id, highest id, [[consumer, count]...]]
    const redisReply* pending = r[1].get();
    std::printf("queued %lld\npending %lld\ndone %lld\nfailed %lld\n", queued,
                isArray(pending, 1) ? integerOf(pending->element[0]) : 0, integerOf(r[2].get()),
                integerOf(r[3].get()));
    if (isArray(pending, 4) && isArray(pending->element[3], 1)) {
        for (size_t i = 0; i < pending->element[3]->elements; ++i) {
            const redisReply* consumer = pending->element[3]->element[i];
            if (isArray(consumer, 2) && isText(consumer->element[0]))
                std::printf("pending %s %lld\n", consumer->element[0]->str, integerOf(consumer->element[1]));
        }
    }
    return 0;
}
