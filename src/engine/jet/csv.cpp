#include "jet/csv.h"

#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstring>

#include "jet/bytes.h"
#include "jet/cursor.h"
#include "jet/text.h"
#include "jet/table.h"

namespace jet::csv {

namespace {

template <class T>
void appendInt(std::string& out, T v) {
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, v);
    out.append(buf, size_t(r.ptr - buf));
}

void append2(std::string& out, int v) {
    out.push_back(char('0' + v / 10));
    out.push_back(char('0' + v % 10));
}

// Days since 1970-01-01 to a civil date (proleptic Gregorian).
void civilFromDays(int64_t z, int64_t& y, int& m, int& d) {
    z += 719468;
    const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const int64_t doe = z - era * 146097;
    const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    y = yoe + era * 400;
    const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const int64_t mp = (5 * doy + 2) / 153;
    d = int(doy - (153 * mp + 2) / 5 + 1);
    m = int(mp < 10 ? mp + 3 : mp - 9);
    if (m <= 2) ++y;
}

void appendDate(std::string& out, const DateParts& p) {
    int64_t y = p.year;
    if (y < 0) {
        out.push_back('-');
        y = -y;
    }
    char buf[24];
    auto r = std::to_chars(buf, buf + sizeof buf, y);
    for (size_t n = size_t(r.ptr - buf); n < 4; ++n) out.push_back('0');
    out.append(buf, size_t(r.ptr - buf));
    out.push_back('-');
    append2(out, p.month);
    out.push_back('-');
    append2(out, p.day);
    out.push_back(' ');
    append2(out, p.hour);
    out.push_back(':');
    append2(out, p.minute);
    out.push_back(':');
    append2(out, p.second);
}

// Unsigned magnitude with `scale` decimals, trailing zeros dropped.
void appendScaled(std::string& out, bool negative, std::string digits, int scale) {
    if (scale > 0) {
        if (digits.size() <= size_t(scale)) digits.insert(0, size_t(scale) + 1 - digits.size(), '0');
        size_t point = digits.size() - size_t(scale);
        size_t end = digits.size();
        while (end > point && digits[end - 1] == '0') --end;
        std::string r = digits.substr(0, point);
        if (end > point) {
            r += '.';
            r.append(digits, point, end - point);
        }
        digits = std::move(r);
    }
    bool zero = digits.find_first_not_of("0.") == std::string::npos;
    if (negative && !zero) out.push_back('-');
    out += digits;
}

void appendHex(std::string& out, std::span<const std::byte> b, bool upper = false) {
    const char* hex = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    size_t at = out.size();
    out.resize(at + b.size() * 2);
    char* p = out.data() + at;
    for (std::byte x : b) {
        *p++ = hex[uint8_t(x) >> 4];
        *p++ = hex[uint8_t(x) & 15];
    }
}

}  // namespace

bool oleDateParts(double ole, DateParts& out) {
    if (!std::isfinite(ole) || std::fabs(ole) > 3.0e6) return false;
    double ip;
    double frac = std::modf(ole, &ip);  // integer part toward zero is the day
    int64_t days = int64_t(ip);
    int64_t secs = std::llround(std::fabs(frac) * 86400.0);
    if (secs >= 86400) {
        secs -= 86400;
        days += 1;
    }
    // Consecutive rows often share a day.
    thread_local int64_t lastDays = INT64_MIN;
    thread_local DateParts lastParts;
    if (days != lastDays) {
        civilFromDays(days - 25569, lastParts.year, lastParts.month, lastParts.day);
        lastDays = days;
    }
    out.year = lastParts.year;
    out.month = lastParts.month;
    out.day = lastParts.day;
    out.hour = int(secs / 3600);
    out.minute = int(secs / 60 % 60);
    out.second = int(secs % 60);
    return true;
}

std::string formatOleDate(double ole) {
    std::string s;
    DateParts p;
    if (oleDateParts(ole, p)) appendDate(s, p);
    else {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, ole);
        s.assign(buf, size_t(r.ptr - buf));
    }
    return s;
}

std::string formatExtDateTime(const ExtDateTime& e) {
    std::string s;
    DateParts p;
    // days since 0001-01-01; 1970-01-01 is day 719162
    civilFromDays(e.days - 719162, p.year, p.month, p.day);
    int64_t secs = e.seconds;
    if (secs < 0 || secs >= 86400) secs = ((secs % 86400) + 86400) % 86400;
    p.hour = int(secs / 3600);
    p.minute = int(secs / 60 % 60);
    p.second = int(secs % 60);
    appendDate(s, p);
    if (e.ticks > 0 && e.ticks < 10000000) {
        char buf[8];
        std::snprintf(buf, sizeof buf, "%07lld", static_cast<long long>(e.ticks));
        std::string f(buf);
        while (!f.empty() && f.back() == '0') f.pop_back();
        s += "." + f;
    }
    return s;
}

std::string formatDecimal(const Decimal& d) {
    std::array<uint32_t, 4> m = d.mantissa;
    std::string digits;
    bool nonzero = true;
    while (nonzero) {
        uint64_t rem = 0;
        nonzero = false;
        for (int i = 3; i >= 0; --i) {
            uint64_t cur = (rem << 32) | m[size_t(i)];
            m[size_t(i)] = uint32_t(cur / 10);
            rem = cur % 10;
            if (m[size_t(i)]) nonzero = true;
        }
        digits.push_back(char('0' + rem));
    }
    std::reverse(digits.begin(), digits.end());
    std::string out;
    appendScaled(out, d.negative, digits, d.scale);
    return out;
}

std::string formatCurrency(int64_t scaled) {
    bool neg = scaled < 0;
    uint64_t mag = neg ? uint64_t(0) - uint64_t(scaled) : uint64_t(scaled);
    std::string out;
    appendScaled(out, neg, std::to_string(mag), 4);
    return out;
}

std::string formatGuid(std::span<const std::byte> b) {
    if (b.size() < 16) return {};
    std::string s = "{";
    // Data1..Data3 are little-endian, the rest in stored order.
    const std::byte d1[4] = {b[3], b[2], b[1], b[0]};
    const std::byte d2[2] = {b[5], b[4]};
    const std::byte d3[2] = {b[7], b[6]};
    appendHex(s, d1, true);
    s += '-';
    appendHex(s, d2, true);
    s += '-';
    appendHex(s, d3, true);
    s += '-';
    appendHex(s, b.subspan(8, 2), true);
    s += '-';
    appendHex(s, b.subspan(10, 6), true);
    s += '}';
    return s;
}

void appendValue(std::string& out, const Value& v) {
    switch (v.kind()) {
    case ValueKind::Null: return;
    case ValueKind::Boolean: out.push_back(v.asBool() ? '1' : '0'); return;
    case ValueKind::Byte:
    case ValueKind::Int16:
    case ValueKind::Int32:
    case ValueKind::Int64: appendInt(out, v.asInt()); return;
    case ValueKind::Float: {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v.asFloat());
        out.append(buf, size_t(r.ptr - buf));
        return;
    }
    case ValueKind::Double: {
        char buf[32];
        auto r = std::to_chars(buf, buf + sizeof buf, v.asDouble());
        out.append(buf, size_t(r.ptr - buf));
        return;
    }
    case ValueKind::Currency: out += formatCurrency(v.asInt()); return;
    case ValueKind::DateTime: {
        DateParts p;
        if (oleDateParts(v.asDouble(), p)) appendDate(out, p);
        else out += formatOleDate(v.asDouble());
        return;
    }
    case ValueKind::ExtDateTime: out += formatExtDateTime(v.asExtDateTime()); return;
    case ValueKind::Text: out.append(v.asText()); return;
    case ValueKind::Binary: appendHex(out, v.asBytes()); return;
    case ValueKind::Guid: out += formatGuid(v.asBytes()); return;
    case ValueKind::Decimal: out += formatDecimal(v.asDecimal()); return;
    case ValueKind::Complex: {
        const ComplexSummary& c = v.asComplex();
        if (c.items >= 0) {
            appendInt(out, c.items);
            out += c.items == 1 ? " item" : " items";
        } else {
            out += "complex #";
            appendInt(out, c.key);
        }
        return;
    }
    }
}

std::string valueText(const Value& v) {
    std::string s;
    appendValue(s, v);
    return s;
}

void appendField(std::string& out, std::string_view text) {
    bool quote = false;
    for (char c : text) {
        // ',' '"' CR LF all sit below 0x2D; most text is rejected by the first compare
        if (uint8_t(c) <= ',' && (c == ',' || c == '"' || c == '\r' || c == '\n')) {
            quote = true;
            break;
        }
    }
    if (!quote) {
        out.append(text);
        return;
    }
    out.push_back('"');
    for (char c : text) {
        if (c == '"') out.push_back('"');
        out.push_back(c);
    }
    out.push_back('"');
}

void appendField(std::string& out, const Value& v) {
    switch (v.kind()) {
    case ValueKind::Text:
        if (v.asText().empty()) out.append("\"\"");  // an empty string is not Null
        else appendField(out, v.asText());
        return;
    case ValueKind::Binary:
        if (v.asBytes().empty()) out.append("\"\"");  // zero-length, not Null
        else appendValue(out, v);
        return;
    case ValueKind::Complex: {
        std::string s;
        appendValue(s, v);
        appendField(out, s);
        return;
    }
    default: appendValue(out, v); return;  // never holds a comma, quote or line break
    }
}

namespace {

struct Sink {
    int fd = -1;
    std::FILE* file = nullptr;
    bool write(const char* data, size_t size) {
        if (file) return std::fwrite(data, 1, size, file) == size;
        size_t done = 0;
        while (done < size) {
            ssize_t n = ::write(fd, data + done, size - done);
            if (n < 0 && errno == EINTR) continue;
            if (n <= 0) return false;
            done += size_t(n);
        }
        return true;
    }
};

// Output buffer written through a raw pointer: the export loop formats straight into it.
class OutBuf {
public:
    explicit OutBuf(size_t cap) : data_(std::make_unique<char[]>(cap)), cap_(cap) {}
    size_t size() const { return len_; }
    const char* data() const { return data_.get(); }
    void clear() { len_ = 0; }
    char* reserve(size_t n) {
        if (n > cap_ - len_) grow(n);
        return data_.get() + len_;
    }
    void commit(char* end) { len_ = size_t(end - data_.get()); }
    void truncate(size_t len) { len_ = len; }
    void put(char c) { *reserve(1) = c; ++len_; }
    void append(const char* p, size_t n) {
        std::memcpy(reserve(n), p, n);
        len_ += n;
    }

private:
    void grow(size_t n) {
        size_t cap = std::max(cap_ * 2, len_ + n);
        auto d = std::make_unique<char[]>(cap);
        std::memcpy(d.get(), data_.get(), len_);
        data_ = std::move(d);
        cap_ = cap;
    }
    std::unique_ptr<char[]> data_;
    size_t cap_;
    size_t len_ = 0;
};

inline char* put2(char* p, int v) {
    p[0] = char('0' + v / 10);
    p[1] = char('0' + v % 10);
    return p + 2;
}

// "YYYY-MM-DD HH:MM:SS" for years 0..9999 into 19 chars.
char* putDate(char* p, const DateParts& d) {
    int y = int(d.year);
    p = put2(p, y / 100);
    p = put2(p, y % 100);
    *p++ = '-';
    p = put2(p, d.month);
    *p++ = '-';
    p = put2(p, d.day);
    *p++ = ' ';
    p = put2(p, d.hour);
    *p++ = ':';
    p = put2(p, d.minute);
    *p++ = ':';
    return put2(p, d.second);
}

inline bool specialByte(char c) { return c == ',' || c == '"' || c == '\r' || c == '\n'; }

}  // namespace

// Eight bytes at a time: the export asks this for every text cell.
bool needsQuotes(std::string_view t) {
    if (t.empty()) return true;
    const char* p = t.data();
    size_t n = t.size();
    constexpr uint64_t ones = 0x0101010101010101ull, highs = 0x8080808080808080ull;
    auto hasZero = [](uint64_t v) { return (v - ones) & ~v & highs; };
    while (n >= 8) {
        uint64_t x;
        std::memcpy(&x, p, 8);
        if (hasZero(x ^ (ones * ',')) | hasZero(x ^ (ones * '"')) | hasZero(x ^ (ones * '\r')) |
            hasZero(x ^ (ones * '\n')))
            return true;
        p += 8;
        n -= 8;
    }
    for (size_t k = 0; k < n; ++k)
        if (specialByte(p[k])) return true;
    return false;
}

namespace {

// Shortest round-trip text of a double, as std::to_chars gives it. Amounts with one or two
// decimals (the common case) are written directly: below 1e9 the doubles are far closer together
// than 0.01, so the two-decimal text is the only short one that reads back, and with a fraction
// the fixed form is never longer than the exponent form.
}  // namespace

char* writeShortestDouble(char* p, double x) {
    if (x > -1e9 && x < 1e9) {
        double scaled = x * 100.0;
        long long n = std::llround(scaled);
        if (n % 100 != 0 && double(n) / 100.0 == x) {
            if (n < 0) {
                *p++ = '-';
                n = -n;
            }
            p = std::to_chars(p, p + 24, n / 100).ptr;
            int frac = int(n % 100);
            *p++ = '.';
            *p++ = char('0' + frac / 10);
            if (frac % 10) *p++ = char('0' + frac % 10);
            return p;
        }
    }
    return std::to_chars(p, p + 32, x).ptr;
}

namespace {

inline char* shortestDouble(char* p, double x) { return writeShortestDouble(p, x); }

void fieldFast(OutBuf& out, const Value& v, std::string& tmp) {
    switch (v.kind()) {
    case ValueKind::Null: return;
    case ValueKind::Boolean: out.put(v.asBool() ? '1' : '0'); return;
    case ValueKind::Byte:
    case ValueKind::Int16:
    case ValueKind::Int32:
    case ValueKind::Int64: {
        char* p = out.reserve(24);
        out.commit(std::to_chars(p, p + 24, v.asInt()).ptr);
        return;
    }
    case ValueKind::Float: {
        char* p = out.reserve(32);
        out.commit(std::to_chars(p, p + 32, v.asFloat()).ptr);
        return;
    }
    case ValueKind::Double: {
        char* p = out.reserve(32);
        out.commit(shortestDouble(p, v.asDouble()));
        return;
    }
    case ValueKind::DateTime: {
        DateParts d;
        if (oleDateParts(v.asDouble(), d) && d.year >= 0 && d.year <= 9999) {
            out.commit(putDate(out.reserve(19), d));
            return;
        }
        break;
    }
    case ValueKind::Text: {
        std::string_view t = v.asText();
        if (needsQuotes(t)) {
            tmp.clear();
            if (t.empty()) tmp = "\"\"";
            else appendField(tmp, t);
            out.append(tmp.data(), tmp.size());
            return;
        }
        out.append(t.data(), t.size());
        return;
    }
    default:
        break;
    }
    tmp.clear();
    appendField(tmp, v);
    out.append(tmp.data(), tmp.size());
}

// Plain stored fields straight from the row into the output; false when value() must do it.
bool rawField(OutBuf& out, const Cursor::RawCell& c, uint8_t type, std::string& tmp) {
    switch (c.kind) {
    case Cursor::RawCell::Null: return true;
    case Cursor::RawCell::Boolean: out.put(c.boolean ? '1' : '0'); return true;
    case Cursor::RawCell::Other: return false;
    case Cursor::RawCell::Bytes: break;
    }
    const std::byte* p = c.bytes.data();
    const size_t len = c.bytes.size();
    switch (type) {
    case 0x02:
    case 0x03:
    case 0x13: {
        int64_t v;
        if (type == 0x02 && len >= 1) v = detail::ld8(p);
        else if (type == 0x03 && len >= 2) v = int16_t(detail::ld16(p));
        else if (type == 0x13 && len >= 8) v = int64_t(detail::ld64(p));
        else return false;
        char* d = out.reserve(24);
        out.commit(std::to_chars(d, d + 24, v).ptr);
        return true;
    }
    case 0x05: {
        if (len < 8) return false;
        const int64_t v = int64_t(detail::ld64(p));
        const uint64_t m = v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
        char* d = out.reserve(32);
        if (v < 0) *d++ = '-';
        d = std::to_chars(d, d + 24, m / 10000).ptr;
        unsigned frac = unsigned(m % 10000);
        if (frac) {
            *d++ = '.';
            for (unsigned div = 1000; frac && div; div /= 10) {
                *d++ = char('0' + frac / div);
                frac %= div;
            }
        }
        out.commit(d);
        return true;
    }
    case 0x06: {
        if (len < 4) return false;
        float f;
        std::memcpy(&f, p, 4);
        char* d = out.reserve(32);
        out.commit(std::to_chars(d, d + 32, f).ptr);
        return true;
    }
    case 0x08: {
        if (len < 8) return false;
        double x;
        std::memcpy(&x, p, 8);
        DateParts dp;
        if (!oleDateParts(x, dp) || dp.year < 0 || dp.year > 9999) return false;
        out.commit(putDate(out.reserve(19), dp));
        return true;
    }
    case 0x04: {
        if (len < 4) return false;
        char* d = out.reserve(16);
        out.commit(std::to_chars(d, d + 16, int32_t(detail::ld32(p))).ptr);
        return true;
    }
    case 0x07: {
        if (len < 8) return false;
        double x;
        std::memcpy(&x, p, 8);
        char* d = out.reserve(32);
        out.commit(shortestDouble(d, x));
        return true;
    }
    case 0x0A: {
        // Decode in place, then quote if the text needs it (rare).
        const size_t start = out.size();
        char* d = out.reserve(detail::ucs2TextBound(len));
        char* end = detail::writeUcs2Text(d, c.bytes);
        std::string_view text(d, size_t(end - d));
        if (!needsQuotes(text)) {
            out.commit(end);
            return true;
        }
        tmp.clear();
        if (text.empty()) tmp = "\"\"";
        else appendField(tmp, text);
        out.truncate(start);
        out.append(tmp.data(), tmp.size());
        return true;
    }
    default:
        return false;
    }
}

Result<ExportStats> writeTableTo(const std::shared_ptr<const Table>& table, Sink sink, const RowsCallback* onRows) {
    constexpr size_t kFlushAt = 1 << 20;
    OutBuf buf(kFlushAt + (64 << 10));
    std::string tmp;
    const auto& cols = table->columns();
    for (size_t i = 0; i < cols.size(); ++i) {
        if (i) buf.put(',');
        tmp.clear();
        appendField(tmp, cols[i].name);
        buf.append(tmp.data(), tmp.size());
    }
    buf.append("\r\n", 2);
    ExportStats stats;
    Cursor cur(table);
    const size_t n = cur.columnCount();
    std::vector<uint8_t> types(n);
    for (size_t i = 0; i < n; ++i) types[i] = cur.column(i).type;
    auto flush = [&]() {
        bool ok = sink.write(buf.data(), buf.size());
        buf.clear();
        return ok;
    };
    while (cur.next()) {
        for (size_t i = 0; i < n; ++i) {
            if (i) buf.put(',');
            if (!rawField(buf, cur.raw(i), types[i], tmp)) fieldFast(buf, cur.value(i), tmp);
        }
        buf.append("\r\n", 2);
        ++stats.rows;
        if (!cur.rowErrors().empty()) {
            for (const Error& e : cur.rowErrors())
                if (stats.errors.size() < 20) stats.errors.push_back(e);
        }
        if (buf.size() >= kFlushAt && !flush())
            return makeError(std::string("write failed: ") + std::strerror(errno));
        if (onRows && (stats.rows & 0xFFF) == 0 && !(*onRows)(stats.rows)) return makeError("stopped");
    }
    if (buf.size() > 0 && !flush()) return makeError(std::string("write failed: ") + std::strerror(errno));
    if (cur.error()) return *cur.error();
    for (const Error& e : cur.problems())
        if (stats.errors.size() < 20) stats.errors.push_back(e);
    stats.unreadableRows = cur.unreadableRows();
    stats.missingRows = cur.missingRows();
    stats.firstLoss = cur.firstLoss();
    return stats;
}

}  // namespace

Result<ExportStats> writeTable(const std::shared_ptr<const Table>& table, int fd) {
    return writeTableTo(table, Sink{fd, nullptr}, nullptr);
}

Result<ExportStats> writeTable(const std::shared_ptr<const Table>& table, int fd, const RowsCallback& onRows) {
    return writeTableTo(table, Sink{fd, nullptr}, &onRows);
}

Result<ExportStats> writeTable(const std::shared_ptr<const Table>& table, std::FILE* file) {
    return writeTableTo(table, Sink{-1, file}, nullptr);
}

}  // namespace jet::csv
