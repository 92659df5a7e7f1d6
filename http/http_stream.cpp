#include "http/http_stream.h"

#include "base/data_buffer.h"
#include "base/log_base.h"

// Both reads count the bytes since the last LF that are neither CR nor LF: an LF with none
// before it ends the read. For lines a CR also resets the count, so CR LF ends a line.
bool HttpStream::readUntilEmptyLine(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool crEndsLine,
                                    const char* tooLong) {
    uint32_t sinceLineFeed = 0;
    for (uint32_t read = 0;; ++read) {
        if (read >= maxBytes) {
            if (log != nullptr)
                log->LogError(tooLong);
            closeStream(nullptr);
            return false;
        }
        unsigned char b = 0;
        if (!nextByte(b, log))
            return false;
        out.appendByte(b);
        if (b == '\n') {
            if (sinceLineFeed == 0)
                return true;
            sinceLineFeed = 0;
        } else if (b == '\r') {
            if (crEndsLine)
                sinceLineFeed = 0;
        } else {
            ++sinceLineFeed;
        }
    }
}

bool HttpStream::readHeaderBlock(DataBuffer& out, LogBase* log, uint32_t maxBytes) {
    return readUntilEmptyLine(out, log, maxBytes, false, "Response header is too large.");
}

bool HttpStream::readCrlfLine(DataBuffer& out, LogBase* log, uint32_t maxBytes) {
    return readUntilEmptyLine(out, log, maxBytes, true, "Line is too long.");
}
