#pragma once
// The page coder: a byte-wise adaptive prefix code on a splay tree (semi-splaying). Bits are
// packed from the low bit of each byte up; every page starts with a fresh tree.

#include <array>
#include <cstdint>
#include <vector>

#include <QtGlobal>

class TQRStream;

class TQRCompress {
public:
    enum Mode : std::uint8_t { Expanding = 0, Compressing = 1 };

    // limit: in expanding mode, the stream offset the code must not read past (-1: the end).
    TQRCompress(TQRStream& stream, Mode mode, qint64 limit = -1);
    // Compressing: writes a partly filled last byte. Expanding: leaves the stream just after
    // the last byte the decoder used. Errors here are lost; call Finish() to see them.
    ~TQRCompress();
    TQRCompress(const TQRCompress&) = delete;
    TQRCompress& operator=(const TQRCompress&) = delete;

    void EncodeByte(std::uint8_t v);
    // Throws EQRError when the code runs past its end or names no byte.
    std::uint8_t DecodeByte();
    // Flushes (compressing) or gives back read-ahead (expanding); idempotent. Throws EQRError.
    void Finish();

    // Bytes written to / taken from the stream so far, counting a partly filled byte.
    qint64 BytesCoded() const;

private:
    void splay(int v);
    void putByte(std::uint8_t b);
    bool fill();

    TQRStream& m_stream;
    Mode m_mode;
    qint64 m_limit;
    bool m_finished = false;
    // Expanding: bit position in the input byte (0..7).
    std::uint8_t m_bitPosition;
    std::uint16_t m_byte = 0;
    // Compressing: bits not yet written, lowest first.
    std::uint64_t m_bits = 0;
    int m_bitCount = 0;
    std::array<std::uint16_t, 256> m_left{};
    std::array<std::uint16_t, 256> m_right{};
    std::array<std::uint8_t, 513> m_up{};
    // I/O buffers: the stream is touched in blocks, not per byte.
    std::vector<std::uint8_t> m_buffer;
    std::size_t m_bufferPos = 0;
    qint64 m_coded = 0;
};
