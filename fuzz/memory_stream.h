// MemoryStream: a response that arrives from memory instead of a socket, in pieces of scripted
// sizes, so a fuzz target can feed the request engine's readers the same bytes cut in different
// places. It answers like ZelcoraSocket: a read past the end fails as a closed connection does,
// and a read until close stops with tooLarge at the first piece that would pass its maximum.
#pragma once

#include "base/data_buffer.h"
#include "http/socket/http_stream.h"

#include <cstddef>
#include <cstdint>
#include <vector>

class MemoryStream : public HttpStream {
public:
    // The most one receive hands over: the socket layer's scratch block.
    static constexpr uint32_t kMaxPiece = 20000;

    // `pieces`: the sizes the bytes arrive in, used in turn and then again; none (or a zero)
    // means pieces of kMaxPiece.
    MemoryStream(const uint8_t* data, size_t size, std::vector<uint32_t> pieces)
        : m_data(data), m_size(size), m_pieces(std::move(pieces)) {}

    bool isConnected() const override { return !m_closed; }
    bool sendAll(const void*, uint32_t, LogBase*) override { return !m_closed; }

    bool receiveBytesToBuffer(uint32_t n, DataBuffer& out, LogBase*) override {
        if (m_closed || n == 0 || n > m_size - m_at)
            return false;
        out.append(m_data + m_at, n);
        m_at += n;
        return true;
    }

    bool receiveUntilClosed(DataBuffer& out, LogBase*, uint32_t maxBytes, bool& tooLarge) override {
        tooLarge = false;
        uint32_t total = 0;
        while (!m_closed && m_at < m_size) {
            size_t n = nextPiece();
            if (n > m_size - m_at)
                n = m_size - m_at;
            if (n > maxBytes - total) {
                m_closed = true;
                tooLarge = true;
                return false;
            }
            out.append(m_data + m_at, static_cast<uint32_t>(n));
            m_at += n;
            total += static_cast<uint32_t>(n);
        }
        return total > 0;
    }

    void setReadTimeoutMs(uint32_t ms) override { m_readTimeoutMs = ms; }
    uint32_t getReadTimeoutMs() const override { return m_readTimeoutMs; }
    void setDeadlineFromNow(uint32_t) override {}
    void clearDeadline() override {}
    void closeStream(LogBase*) override { m_closed = true; }

    bool closed() const { return m_closed; }
    size_t consumed() const { return m_at; }

protected:
    bool nextByte(unsigned char& b, LogBase*) override {
        if (m_closed || m_at >= m_size)
            return false;
        b = m_data[m_at++];
        return true;
    }

private:
    size_t nextPiece() {
        if (m_pieces.empty())
            return kMaxPiece;
        uint32_t n = m_pieces[m_nextPiece++ % m_pieces.size()];
        return n == 0 || n > kMaxPiece ? kMaxPiece : n;
    }

    const uint8_t* m_data;
    size_t m_size;
    size_t m_at = 0;
    std::vector<uint32_t> m_pieces;
    size_t m_nextPiece = 0;
    bool m_closed = false;
    uint32_t m_readTimeoutMs = 0;
};
