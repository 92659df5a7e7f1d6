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
    // Up to and including the first empty line (CR LF CR LF or LF LF); more than maxBytes
    // without one fails with "Response header is too large." and closes the stream.
    bool readHeaderBlock(DataBuffer& out, LogBase* log, uint32_t maxBytes);
    // Up to and including the first LF (servers end lines in CR LF or a bare LF); more than
    // maxBytes without one fails with "Line is too long." and closes the stream.
    bool readCrlfLine(DataBuffer& out, LogBase* log, uint32_t maxBytes);
    // Exactly n bytes, appended.
    virtual bool receiveBytesToBuffer(uint32_t n, DataBuffer& out, LogBase* log) = 0;
    // Everything until the peer closes (or the read time-out passes), appended. True when anything arrived;
    // more than maxBytes fails with tooLarge set.
    virtual bool receiveUntilClosed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool& tooLarge) = 0;
    // The longest wait for incoming data, milliseconds.
    virtual void setReadTimeoutMs(uint32_t ms) = 0;
    virtual uint32_t getReadTimeoutMs() const = 0;
    // Every wait fails once `ms` milliseconds from now have passed.
    virtual void setDeadlineFromNow(uint32_t ms) = 0;
    virtual void clearDeadline() = 0;
    virtual void closeStream(LogBase* log) = 0;

protected:
    // The next byte of the stream, waiting for it as the stream's time-outs allow.
    virtual bool nextByte(unsigned char& b, LogBase* log) = 0;

private:
    bool readUntilLineFeed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool wholeBlock,
                           const char* tooLong);
};
