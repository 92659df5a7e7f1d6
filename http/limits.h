// Every bound the HTTP client puts on what a server sends, in one place. A server may be slow,
// broken or hostile; none of these limits is reached by a sound response to the crawler, and
// each keeps a bad one from holding a worker or exhausting memory.
#pragma once

#include <cstdint>

namespace HttpLimits {

// Status line and header fields together. Real servers send a few hundred bytes to a few KiB;
// 64 KiB leaves room for long cookie headers.
constexpr uint32_t kMaxHeaderBlock = 64 * 1024;
// The read-ahead of a plain connection, from which header blocks and chunk-size lines are read:
// one receive takes a typical header block whole (a few hundred bytes to a few KiB), and a
// larger one simply takes more receives. Part of every socket, so kept small.
constexpr uint32_t kReadAheadBytes = 4096;
// One chunk-size line of a chunked body ("1a2b;ext=...\r\n"): hex digits and extensions only.
constexpr uint32_t kMaxChunkLine = 4096;
// Lines of one header block: a few dozen in practice; a server that sends more is looping.
constexpr int kMaxHeaderLines = 1000;
// Trailer lines after the last chunk read before the connection is given up: servers send none
// or a few (checksums, timings).
constexpr int kMaxTrailerLines = 100;
// A date field is read no further than this; every real date fits in a few dozen characters.
constexpr int kMaxDateText = 200;
// Bytes of an invalid header written to the log: enough to see what the server sent.
constexpr uint32_t kInvalidHeaderLogBytes = 500;

// The most one read of the socket or TLS layer takes in, whether of a declared length or until
// the server closes: 192 MiB, far beyond any page; a declared length above it fails at once.
constexpr uint32_t kMaxBulkReceive = 0xC000000;
// A read of a declared length allocates and fills its buffer in pieces of at most this size, so a
// false length costs one piece, not the length, before the connection fails.
constexpr uint32_t kMaxReceivePiece = 2200000;
// What one receive of the socket or TLS layer asks for: more than one TLS record (16 KiB), so a
// record arrives in one call; small enough to sit on the stack.
constexpr uint32_t kReceiveBatchBytes = 20000;
// A body read until the server closes, or of a declared length, when no smaller maximum is set.
constexpr uint32_t kMaxBodyBytes = kMaxBulkReceive;
// The longest read time-out the settings may ask for (over eight minutes): beyond it a silent
// server would only hold a worker.
constexpr uint32_t kMaxReadTimeoutMs = 500000;
// How long a plain connection may take to become writable before a request: a reused connection
// is writable at once, so a wait means the peer is gone.
constexpr uint32_t kWritableWaitMs = 1000;
// A send that moves nothing is retried after kIdleSendPauseMs, at most kMaxIdleSends times in a
// row: five seconds for a peer that stopped reading, instead of spinning for ever.
constexpr int kMaxIdleSends = 100;
constexpr uint32_t kIdleSendPauseMs = 50;
// The most a gzip body reserves up front, whatever size its trailer declares: the trailer comes
// from the sender, and a false one must not claim memory before a byte is inflated.
constexpr uint32_t kMaxUpfrontReserve = 4u << 20;
// The decoded size of a gzip body when no smaller maximum is set: a few hundred kilobytes of a
// gzip bomb can claim a gigabyte, and no page needs more than this.
constexpr uint32_t kMaxInflatedBytes = 32u << 20;
// When a body read until the server closes is cut at the maximum, the read may run this far past
// it before stopping: more than one receive of the socket or TLS layer (kReceiveBatchBytes, one
// TLS record of 16 KiB), so the bytes up to the maximum all arrive before the read is cut off.
constexpr uint32_t kUntilCloseCutSlack = 64 * 1024;
// Interim (1xx) responses skipped before the final one. Servers send one or two (100 Continue,
// 103 Early Hints); more is a server looping on them.
constexpr int kMaxInterimResponses = 10;
// Redirects followed for one request.
constexpr int kMaxRedirects = 4;
// Invalid response headers retried for one request.
constexpr int kMaxHeaderRetries = 5;
// One whole response, header and body, must arrive within this time, however the server paces
// its bytes: a server that drips a byte every few seconds never trips the read time-out alone.
constexpr uint32_t kMaxResponseMs = 120 * 1000;
// Every domain the crawler visits finishes within this time, counted from its first name
// look-up: DNS, connects, the "www." retry, redirects, frames and subpages together. A sound site
// needs a few seconds, and a slow one still gets its home page, the "www." retry and a handful of
// subpages at the 8 s read time-out; a site of endless frames or dripping pages frees its worker
// after a minute instead of holding it for hours.
constexpr uint32_t kDomainBudgetMs = 60 * 1000;

// Addresses kept for one host name and tried by one connect. Large sites publish four to eight
// of each family; an address that refuses costs nothing, and one that is silent uses up the
// connect time-out whatever follows it, so trying more would only grow the log.
constexpr uint32_t kMaxHostAddresses = 16;
// One try of a name-server query before it is sent again (to the next server, if any). A
// resolver on the local network or a public one answers in tens of milliseconds; a lost
// packet is resent after a second instead of the five c-ares waits by default.
constexpr uint32_t kResolverTryMs = 1000;
// Tries of a query per server. c-ares doubles the wait each round (1 + 2 + 4 s), so it gives up
// on its own soon after the crawler's connect time-out, which is what normally ends a look-up.
constexpr int kResolverTries = 3;
// Once a name's IPv4 addresses are in, how long its IPv6 answer is still waited for: the
// resolution delay browsers use (RFC 8305). A name that /etc/hosts gives only an IPv4 address
// would otherwise wait for the name servers' AAAA answer, however slow they are.
constexpr uint32_t kIpv6AnswerGraceMs = 50;
// Host names (and timed-out addresses) one job remembers. A site's pages, redirects and frames
// name a handful of hosts; the bound only stops a page of endless redirects to new hosts from
// growing the cache without limit (it is then emptied and starts again).
constexpr uint32_t kMaxCachedHosts = 64;

// Bytes of a page searched for a META charset declaration: the HTML standard's prescan window,
// so a page is read as a browser reads it.
constexpr uint32_t kEncodingPrescanBytes = 1024;
// Bytes of an undeclared, non-UTF-8 page handed to the encoding detector. Its guess settles
// within a few KiB of text; more only costs time on large pages.
constexpr uint32_t kEncodingDetectBytes = 64 * 1024;

// Characters of a page's visible text, and of its title, that the dead and parked phrases are
// looked for in: what a visitor reads first. An error or parking page says so at once; an article
// that quotes an error message further down is a live page. It also bounds the scan of a page.
constexpr int kDeadPageTextChars = 1000;

// Pages one domain's analysis keeps to answer a repeated request without fetching again. A site
// asks for a home page (twice with the "www." retry), six follow-up pages and their frames in
// each of at most four cycles; a page of endless frames stops being kept past this.
constexpr uint32_t kMaxMemoPages = 64;
// Bytes of page text kept so. A dozen pages at the crawler's 250000-byte cut fit; a site of many
// large pages is fetched again rather than held in memory.
constexpr uint32_t kMaxMemoBytes = 4u << 20;

// Distinct values of one field (country, state, charset) the run report counts; pages choose the
// values, so a run over millions of domains could otherwise grow the tally with every odd one.
// The countries and states of the tables stay far below it; the rest is counted as "others".
constexpr int kMaxReportValues = 4096;
// Points of the run report's domains-per-second curve. When full, every other point is dropped
// and points are taken half as often, so a run of any length keeps its whole course.
constexpr int kMaxThroughputSamples = 512;

// The shared queue's server (a Redis server on the operator's network). A connect or a command
// that takes longer than this is a server gone away: it answers in microseconds when alive.
constexpr uint32_t kQueueServerTimeoutMs = 5000;
// Pause between tries to reach the server again, doubling from the first to the last: quick
// enough for a restart to go unnoticed, slow enough that a hundred crawlers do not hammer it.
constexpr uint32_t kQueueRetryFirstMs = 100;
constexpr uint32_t kQueueRetryMaxMs = 5000;
// A crawler gives up after this long without its server; the domains it held stay pending there
// and are claimed by another process. Long enough to ride out a server restart or a failover.
constexpr uint32_t kQueueGiveUpMs = 10 * 60 * 1000;
// The same for --enqueue, --collect and --status, where a person waits at the terminal.
constexpr uint32_t kQueueToolGiveUpMs = 30 * 1000;
// An entry another consumer has held longer than one domain may take, plus a margin for its
// line to reach the server, belongs to a crawler that died, and is claimed.
constexpr uint32_t kQueueClaimIdleMs = kDomainBudgetMs + 30 * 1000;
// A worker that finds nothing to take while other consumers still hold entries looks again
// after this pause.
constexpr uint32_t kQueueIdlePollMs = 500;
// Meanwhile it asks this often whether anything is still pending at all: the queue's last domain
// is followed by every crawler's exit within this pause, not within the claim pause above.
constexpr uint32_t kQueueDrainPollMs = 50;
// Commands --enqueue sends before reading their replies: enough to keep the server busy, few
// enough that the replies waiting in memory stay small.
constexpr int kEnqueueBatch = 2000;
// Entries --collect reads per request from a result stream.
constexpr int kCollectBatch = 10000;
// A stream entry's domain or line longer than this is not one the crawler wrote.
constexpr uint32_t kQueueMaxFieldBytes = 1 << 20;
// Records of the resume journal between two rewrites of it: keeps the journal a few MiB on disk
// and its reading at a restart short, whatever the length of the input list.
constexpr int kResumeCompactRecords = 100000;

} // namespace HttpLimits
