#pragma once
// Bounds-checked little-endian reads over untrusted bytes. Every check is written
// `n > size - offset` so it cannot overflow.
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>

namespace jet::detail {

static_assert(std::endian::native == std::endian::little, "the reader assumes a little-endian host");

using ByteSpan = std::span<const std::byte>;

inline bool fits(size_t size, size_t offset, size_t n) { return offset <= size && n <= size - offset; }
inline bool fits(ByteSpan s, size_t offset, size_t n) { return fits(s.size(), offset, n); }

// Unchecked loads: call only after fits().
inline uint8_t ld8(const std::byte* p) { return static_cast<uint8_t>(*p); }
inline uint16_t ld16(const std::byte* p) { uint16_t v; std::memcpy(&v, p, 2); return v; }
inline uint32_t ld24(const std::byte* p) { return uint32_t(ld8(p)) | uint32_t(ld8(p + 1)) << 8 | uint32_t(ld8(p + 2)) << 16; }
inline uint32_t ld32(const std::byte* p) { uint32_t v; std::memcpy(&v, p, 4); return v; }
inline uint64_t ld64(const std::byte* p) { uint64_t v; std::memcpy(&v, p, 8); return v; }

// A cursor over a span that keeps the first failure (reads after it return 0 and change nothing).
class Reader {
public:
    explicit Reader(ByteSpan s, size_t offset = 0) : s_(s), off_(offset) {
        if (offset > s.size()) failed_ = true;
    }
    bool ok() const { return !failed_; }
    size_t offset() const { return off_; }
    size_t remaining() const { return failed_ ? 0 : s_.size() - off_; }
    ByteSpan span() const { return s_; }

    uint8_t u8() { return take(1) ? ld8(s_.data() + off_ - 1) : 0; }
    uint16_t u16() { return take(2) ? ld16(s_.data() + off_ - 2) : 0; }
    uint32_t u32() { return take(4) ? ld32(s_.data() + off_ - 4) : 0; }
    uint64_t u64() { return take(8) ? ld64(s_.data() + off_ - 8) : 0; }
    ByteSpan bytes(size_t n) { return take(n) ? s_.subspan(off_ - n, n) : ByteSpan{}; }
    bool skip(size_t n) { return take(n); }
    void seek(size_t offset) {
        if (failed_) return;
        if (offset > s_.size()) failed_ = true;
        else off_ = offset;
    }

private:
    bool take(size_t n) {
        if (failed_) return false;
        if (n > s_.size() - off_) { failed_ = true; return false; }
        off_ += n;
        return true;
    }
    ByteSpan s_;
    size_t off_ = 0;
    bool failed_ = false;
};

}  // namespace jet::detail
