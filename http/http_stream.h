// HttpStream: the byte stream the request engine reads a response from and writes a request to,
// whether plain TCP (ZelcoraSocket) or TLS (TlsChannel). Both frame responses the same way: the
// header block, then a body by length, in chunks or until the server closes, so a secure page
// of any size arrives whole, just as a plain one does. Every read is bounded by its maximum and
// by the stream's deadline.
#pragma once

#include <cstdint>

class DataBuffer;
class LogBase;

class HttpStream {
public:
    virtual ~HttpStream() = default;

    virtual bool isConnected() const = 0;
    // Sends every byte.
    virtual bool sendAll(const void* data, uint32_t count, LogBase* log) = 0;
    // Up to and including the first empty line; more than maxBytes without one fails.
    virtual bool readHeaderBlock(DataBuffer& out, LogBase* log, uint32_t maxBytes) = 0;
    // Up to and including the first CR LF; more than maxBytes without one fails.
    virtual bool readCrlfLine(DataBuffer& out, LogBase* log, uint32_t maxBytes) = 0;
    // Exactly n bytes, appended.
    virtual bool receiveBytesToBuffer(uint32_t n, DataBuffer& out, LogBase* log) = 0;
    // Everything until the peer closes (or falls silent), appended. True when anything arrived;
    // more than maxBytes fails with tooLarge set.
    virtual bool receiveUntilClosed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool& tooLarge) = 0;
    // The longest wait for incoming data, milliseconds.
    virtual void setReadTimeoutMs(uint32_t ms) = 0;
    virtual uint32_t getReadTimeoutMs() const = 0;
    // Every wait fails once `ms` milliseconds from now have passed.
    virtual void setDeadlineFromNow(uint32_t ms) = 0;
    virtual void clearDeadline() = 0;
    virtual void closeStream(LogBase* log) = 0;
};
