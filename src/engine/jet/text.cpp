#include "jet/text.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>
#include <mutex>
#include <unordered_map>

namespace jet::detail {

extern const uint16_t kCp932Double[11340];

namespace {

constexpr uint16_t kCp1252High[32] = {
    0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021, 0x02C6, 0x2030, 0x0160,
    0x2039, 0x0152, 0x008D, 0x017D, 0x008F, 0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022,
    0x2013, 0x2014, 0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

void appendCp1252(std::string& out, ByteSpan b) {
    for (std::byte x : b) {
        uint8_t c = uint8_t(x);
        if (c < 0x80) out.push_back(char(c));
        else if (c < 0xA0) appendUtf8(out, kCp1252High[c - 0x80]);
        else appendUtf8(out, c);
    }
}

int cp932LeadRow(uint8_t lead) {
    if (lead >= 0x81 && lead <= 0x9F) return lead - 0x81;
    if (lead >= 0xE0 && lead <= 0xFC) return lead - 0xE0 + 31;
    return -1;
}

void appendCp932(std::string& out, ByteSpan b) {
    size_t i = 0;
    const size_t n = b.size();
    while (i < n) {
        uint8_t c = uint8_t(b[i]);
        if (c < 0x80) {
            out.push_back(char(c));
            ++i;
            continue;
        }
        if (c >= 0xA1 && c <= 0xDF) {  // half-width katakana
            appendUtf8(out, 0xFF61 + (c - 0xA1));
            ++i;
            continue;
        }
        int row = cp932LeadRow(c);
        if (row >= 0 && i + 1 < n) {
            uint8_t t = uint8_t(b[i + 1]);
            if (t >= 0x40 && t <= 0xFC) {
                uint16_t u = kCp932Double[size_t(row) * 189 + (t - 0x40)];
                appendUtf8(out, u ? u : 0xFFFD);
                i += 2;
                continue;
            }
        }
        if (c == 0x80) appendUtf8(out, 0x80);
        else appendUtf8(out, 0xFFFD);
        ++i;
    }
}

// iconv descriptors per code page, opened once.
class IconvCache {
public:
    ~IconvCache() {
        for (auto& [cp, cd] : map_)
            if (cd != iconv_t(-1)) iconv_close(cd);
    }
    bool convert(uint16_t cp, ByteSpan in, std::string& out) {
        std::lock_guard lock(mu_);
        auto it = map_.find(cp);
        if (it == map_.end()) {
            std::string name = "CP" + std::to_string(cp);
            it = map_.emplace(cp, iconv_open("UTF-8", name.c_str())).first;
        }
        iconv_t cd = it->second;
        if (cd == iconv_t(-1)) return false;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        std::string buf(in.size() * 4 + 8, '\0');
        char* src = const_cast<char*>(reinterpret_cast<const char*>(in.data()));
        size_t srcLeft = in.size();
        char* dst = buf.data();
        size_t dstLeft = buf.size();
        while (srcLeft > 0) {
            size_t r = iconv(cd, &src, &srcLeft, &dst, &dstLeft);
            if (r != size_t(-1)) break;
            if (errno == EILSEQ || errno == EINVAL) {
                // Undecodable byte: mark it and go on.
                if (dstLeft < 3) break;
                std::memcpy(dst, "\xEF\xBF\xBD", 3);
                dst += 3;
                dstLeft -= 3;
                ++src;
                --srcLeft;
                iconv(cd, nullptr, nullptr, nullptr, nullptr);
            } else {
                break;
            }
        }
        out.append(buf.data(), size_t(dst - buf.data()));
        return true;
    }

private:
    std::mutex mu_;
    std::unordered_map<uint16_t, iconv_t> map_;
};

IconvCache& iconvCache() {
    static IconvCache cache;
    return cache;
}

}  // namespace

void appendUtf8(std::string& out, uint32_t cp) {
    if (cp < 0x80) {
        out.push_back(char(cp));
    } else if (cp < 0x800) {
        out.push_back(char(0xC0 | (cp >> 6)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x10000) {
        if (cp >= 0xD800 && cp < 0xE000) cp = 0xFFFD;
        out.push_back(char(0xE0 | (cp >> 12)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else if (cp < 0x110000) {
        out.push_back(char(0xF0 | (cp >> 18)));
        out.push_back(char(0x80 | ((cp >> 12) & 0x3F)));
        out.push_back(char(0x80 | ((cp >> 6) & 0x3F)));
        out.push_back(char(0x80 | (cp & 0x3F)));
    } else {
        appendUtf8(out, 0xFFFD);
    }
}

namespace {

// Writes UTF-8 for UTF-16 units into a buffer sized for the worst case (3 bytes per unit).
struct Utf16Writer {
    char* p;
    uint32_t high = 0;
    void put(uint32_t cp) {
        if (cp < 0x80) {
            *p++ = char(cp);
        } else if (cp < 0x800) {
            *p++ = char(0xC0 | (cp >> 6));
            *p++ = char(0x80 | (cp & 0x3F));
        } else if (cp < 0x10000) {
            *p++ = char(0xE0 | (cp >> 12));
            *p++ = char(0x80 | ((cp >> 6) & 0x3F));
            *p++ = char(0x80 | (cp & 0x3F));
        } else {
            *p++ = char(0xF0 | (cp >> 18));
            *p++ = char(0x80 | ((cp >> 12) & 0x3F));
            *p++ = char(0x80 | ((cp >> 6) & 0x3F));
            *p++ = char(0x80 | (cp & 0x3F));
        }
    }
    void unit(uint16_t u) {
        if (u < 0x80 && !high) {
            *p++ = char(u);
            return;
        }
        if (high) {
            if (u >= 0xDC00 && u <= 0xDFFF) {
                put(0x10000 + ((high - 0xD800) << 10) + (u - 0xDC00));
                high = 0;
                return;
            }
            put(0xFFFD);
            high = 0;
        }
        if (u >= 0xD800 && u <= 0xDBFF) high = u;
        else if (u >= 0xDC00 && u <= 0xDFFF) put(0xFFFD);
        else put(u);
    }
    void finish() {
        if (high) put(0xFFFD);
        high = 0;
    }
};

}  // namespace

void appendUtf16(std::string& out, ByteSpan b) {
    const size_t n = b.size() & ~size_t(1);
    const size_t at = out.size();
    out.resize(at + (n / 2) * 3 + 3);
    Utf16Writer w{out.data() + at};
    const std::byte* d = b.data();
    for (size_t i = 0; i < n; i += 2) w.unit(ld16(d + i));
    w.finish();
    out.resize(size_t(w.p - out.data()));
}

char* writeUcs2Text(char* dst, ByteSpan b) {
    const size_t n = b.size();
    const std::byte* d = b.data();
    Utf16Writer w{dst};
    if (n >= 2 && d[0] == std::byte{0xFF} && d[1] == std::byte{0xFE}) {
        // Compressed form: runs of one-byte characters (U+0001..U+00FF) and runs of UTF-16
        // units, each switched by a 0x00 byte.
        size_t i = 2;
        while (i < n) {
            w.finish();  // a surrogate half cannot continue across a switch
            char* p = w.p;
            // Plain ASCII eight bytes at a time (no 0x00 switch, no high bit).
            constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
            while (n - i >= 8) {
                uint64_t x;
                std::memcpy(&x, d + i, 8);
                if ((x & highs) || ((x - ones) & ~x & highs)) break;
                std::memcpy(p, &x, 8);
                p += 8;
                i += 8;
            }
            for (; i < n; ++i) {
                uint8_t c = uint8_t(d[i]);
                if (c < 0x80) {
                    if (c == 0) break;
                    *p++ = char(c);
                } else {
                    *p++ = char(0xC0 | (c >> 6));
                    *p++ = char(0x80 | (c & 0x3F));
                }
            }
            w.p = p;
            if (i >= n) break;
            ++i;  // the switch to UTF-16
            while (i < n) {
                if (d[i] == std::byte{0}) {
                    ++i;  // the switch back
                    break;
                }
                if (n - i < 2) {
                    i = n;
                    break;
                }
                w.unit(ld16(d + i));
                i += 2;
            }
        }
    } else {
        const size_t even = n & ~size_t(1);
        for (size_t i = 0; i < even; i += 2) w.unit(ld16(d + i));
    }
    w.finish();
    return w.p;
}

void appendUcs2Text(std::string& out, ByteSpan b) {
    const size_t at = out.size();
    out.resize(at + ucs2TextBound(b.size()));
    char* end = writeUcs2Text(out.data() + at, b);
    out.resize(size_t(end - out.data()));
}

void appendCodePageText(std::string& out, ByteSpan bytes, uint16_t codePage) {
    switch (codePage) {
    case 932:
        appendCp932(out, bytes);
        return;
    case 0:
    case 1252:
        appendCp1252(out, bytes);
        return;
    default:
        break;
    }
    bool ascii = true;
    for (std::byte x : bytes)
        if (uint8_t(x) >= 0x80) { ascii = false; break; }
    if (ascii) {
        out.append(reinterpret_cast<const char*>(bytes.data()), bytes.size());
        return;
    }
    if (!iconvCache().convert(codePage, bytes, out)) appendCp1252(out, bytes);
}

std::string foldCase(std::string_view s) {
    std::string r(s);
    for (char& c : r)
        if (c >= 'A' && c <= 'Z') c = char(c - 'A' + 'a');
    return r;
}

bool equalsIgnoreCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); ++i) {
        char x = a[i], y = b[i];
        if (x >= 'A' && x <= 'Z') x = char(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = char(y - 'A' + 'a');
        if (x != y) return false;
    }
    return true;
}

}  // namespace jet::detail
