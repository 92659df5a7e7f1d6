#include "http/gzip_body.h"

#include "base/data_buffer.h"
#include "base/log_base.h"
#include "http/limits.h"

#include <zlib.h>

#include <algorithm>
#include <string>

namespace {

constexpr unsigned char kFlagHeaderCrc = 0x02;
constexpr unsigned char kFlagExtra = 0x04;
constexpr unsigned char kFlagName = 0x08;
constexpr unsigned char kFlagComment = 0x10;
// What the output reserves beyond the declared size.
constexpr uint32_t kReserveSlack = 200;

void logError(LogBase* log, const char* text) {
    if (log != nullptr)
        log->LogError(text);
}

// Skips a zero-terminated field; false when it runs past the end.
bool skipTerminated(const unsigned char* data, uint32_t size, uint32_t& pos, std::string& field) {
    uint32_t start = pos;
    while (pos < size && data[pos] != 0)
        ++pos;
    if (pos >= size)
        return false;
    field.assign(reinterpret_cast<const char*>(data + start), pos - start);
    ++pos;
    return true;
}

} // namespace

GunzipResult gunzipBody(const unsigned char* data, uint32_t size, DataBuffer& out, const GunzipLimits& limits,
                        LogBase* log) {
    const uint32_t maxOutput = limits.maxOutput;
    out.clear();
    if (size < 10) {
        logError(log, "Gzip data too small");
        return GunzipResult::kFailed;
    }
    if (data[0] != 0x1F || data[1] != 0x8B) {
        logError(log, "Invalid GZip ID");
        return GunzipResult::kFailed;
    }
    if (data[2] != 8) {
        logError(log, "Invalid GZip compression method");
        return GunzipResult::kFailed;
    }
    unsigned char flags = data[3];
    uint32_t pos = 10;
    if (flags & kFlagExtra) {
        if (size - pos < 2) {
            logError(log, "Buffer would have been overrun");
            return GunzipResult::kFailed;
        }
        uint32_t extra = data[pos] | (static_cast<uint32_t>(data[pos + 1]) << 8);
        if (log != nullptr) {
            log->LogInfo("Skipping extra data");
            log->LogDataLong("extraSize", static_cast<int>(extra));
        }
        pos += 2;
        if (size - pos < extra) {
            logError(log, "Buffer would have been overrun");
            return GunzipResult::kFailed;
        }
        pos += extra;
    }
    std::string field;
    if (flags & kFlagName) {
        if (log != nullptr)
            log->LogInfo("Skipping filename");
        if (!skipTerminated(data, size, pos, field)) {
            logError(log, "Buffer would have been overrun");
            return GunzipResult::kFailed;
        }
        if (log != nullptr)
            log->LogData("filename", field.c_str());
    }
    if (flags & kFlagComment) {
        if (log != nullptr)
            log->LogInfo("Skipping comment");
        if (!skipTerminated(data, size, pos, field)) {
            logError(log, "Buffer would have been overrun");
            return GunzipResult::kFailed;
        }
        if (log != nullptr)
            log->LogData("comment", field.c_str());
    }
    if (flags & kFlagHeaderCrc) {
        if (size - pos < 2) {
            logError(log, "Buffer would have been overrun");
            return GunzipResult::kFailed;
        }
        pos += 2;
    }
    uint32_t compressed = size - pos;
    // A cut body has lost its trailer; its declared size is unknown.
    uint64_t reserve = HttpLimits::kMaxUpfrontReserve;
    if (!limits.inputIsPrefix) {
        if (size - pos < 8) {
            logError(log, "Not enough data for trailing CRC32 or ISIZE");
            return GunzipResult::kFailed;
        }
        compressed -= 8;
        if (compressed == 0)
            return GunzipResult::kDecoded;
        const unsigned char* trailer = data + size - 4;
        uint32_t declared =
            trailer[0] | (trailer[1] << 8) | (trailer[2] << 16) | (static_cast<uint32_t>(trailer[3]) << 24);
        if (log != nullptr) {
            log->LogDataLong("CompressedSize", static_cast<int>(compressed));
            log->LogDataLong("UncompressedSize", static_cast<int>(declared));
        }
        // The declared size comes from the sender: it only guides the first reservation.
        reserve = static_cast<uint64_t>(declared) + kReserveSlack;
    }
    reserve =
        std::min<uint64_t>({reserve, static_cast<uint64_t>(maxOutput) + 1, HttpLimits::kMaxUpfrontReserve});
    out.ensureCapacity(static_cast<uint32_t>(reserve));

    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) {
        logError(log, "Failed to initialize inflate");
        return GunzipResult::kFailed;
    }
    stream.next_in = const_cast<Bytef*>(data + pos);
    stream.avail_in = compressed;
    unsigned char piece[16384];
    int rc = Z_OK;
    GunzipResult result = GunzipResult::kDecoded;
    while (rc != Z_STREAM_END) {
        stream.next_out = piece;
        stream.avail_out = sizeof(piece);
        rc = inflate(&stream, Z_NO_FLUSH);
        uint32_t produced = static_cast<uint32_t>(sizeof(piece) - stream.avail_out);
        bool starved = stream.avail_in == 0 && produced == 0 && (rc == Z_OK || rc == Z_BUF_ERROR);
        if (starved && limits.inputIsPrefix)
            break;
        if (starved) {
            logError(log, "Gzip data is truncated");
            result = GunzipResult::kFailed;
            break;
        }
        if (rc != Z_OK && rc != Z_STREAM_END) {
            logError(log, "Failed to inflate gzip data");
            result = GunzipResult::kFailed;
            break;
        }
        uint32_t room = maxOutput - out.getSize();
        if (produced > room && limits.cutAtMax) {
            out.append(piece, room);
            result = GunzipResult::kCut;
            break;
        }
        if (produced > room) {
            logError(log, "Decompressed data is larger than the maximum allowed.");
            result = GunzipResult::kTooLarge;
            break;
        }
        out.reserveForGrowth(produced, maxOutput);
        out.append(piece, produced);
    }
    inflateEnd(&stream);
    if (result == GunzipResult::kFailed || result == GunzipResult::kTooLarge)
        out.clear();
    return result;
}
