#include "http/socket/http_stream.h"

#include "base/data_buffer.h"
#include "base/log_base.h"

// A line ends at its LF, with or without a CR before it. The header block ends at an LF with no
// byte other than CR since the previous LF, i.e. at its first empty line.
bool HttpStream::readUntilLineFeed(DataBuffer& out, LogBase* log, uint32_t maxBytes, bool wholeBlock,
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
            if (!wholeBlock || sinceLineFeed == 0)
                return true;
            sinceLineFeed = 0;
        } else if (b != '\r') {
            ++sinceLineFeed;
        }
    }
}

bool HttpStream::readHeaderBlock(DataBuffer& out, LogBase* log, uint32_t maxBytes) {
    return readUntilLineFeed(out, log, maxBytes, true, "Response header is too large.");
}

bool HttpStream::readCrlfLine(DataBuffer& out, LogBase* log, uint32_t maxBytes) {
    return readUntilLineFeed(out, log, maxBytes, false, "Line is too long.");
}
