#include "jet/cursor.h"

#include <algorithm>
#include <cstring>

#include "jet/core.h"
#include "jet/text.h"

namespace jet {

using detail::ByteSpan;
using detail::fits;
using detail::ld16;
using detail::ld32;
using detail::ld64;
using detail::ld8;
using detail::PageRef;

namespace {
constexpr size_t kMaxProblemsKept = 100;
constexpr int kCalcHeader = 20;  // calculated values: 16 unknown bytes, 4-byte length, data

// Big-endian magnitude bytes into the 128-bit mantissa.
void mantissaFromBigEndian(const std::byte* p, size_t n, Decimal& d) {
    d.mantissa = {};
    for (size_t i = 0; i < n && i < 16; ++i) {
        size_t bit = (n - 1 - i) * 8;
        d.mantissa[bit / 32] |= uint32_t(ld8(p + i)) << (bit % 32);
    }
}

bool parseDigits(const char* p, size_t n, int64_t& out) {
    int64_t v = 0;
    bool any = false;
    for (size_t i = 0; i < n; ++i) {
        char c = p[i];
        if (c == ' ') continue;
        if (c < '0' || c > '9') return false;
        if (v > (INT64_MAX - 9) / 10) return false;
        v = v * 10 + (c - '0');
        any = true;
    }
    out = v;
    return any;
}
}  // namespace

struct Cursor::Impl {
    std::shared_ptr<const Table> table;
    const detail::DbCore* core;
    const detail::Format* fmt;
    std::vector<size_t> cols;

    // Scan state.
    bool started = false;
    bool ended = false;
    std::optional<Error> fatal;
    std::vector<uint32_t> pages;
    size_t pageIdx = 0;
    PageRef page;
    uint16_t slotCount = 0;
    uint32_t slot = 0;

    // Current row.
    bool haveRow = false;
    RowPosition pos;
    PageRef rowPage;  // differs from `page` for overflow rows
    ByteSpan row;
    uint16_t numCols = 0;
    const std::byte* nullMask = nullptr;
    size_t fixedStart = 0;
    size_t fixedEnd = 0;
    uint16_t varCount = 0;
    std::vector<uint16_t> varOff;

    std::vector<std::string> text;
    std::vector<std::vector<std::byte>> bin;
    std::vector<Error> rowErrors;
    std::vector<Error> problems;
    uint64_t problemCount = 0;

    void problem(Error e) {
        ++problemCount;
        if (problems.size() < kMaxProblemsKept) problems.push_back(std::move(e));
    }

    bool start() {
        started = true;
        auto p = detail::readUsageMap(*core, table->usageMapPointer());
        if (!p) {
            Error e = p.error();
            e.message = "table " + table->name() + ": " + e.message;
            fatal = e;
            ended = true;
            return false;
        }
        pages = std::move(*p);
        return true;
    }

    // Splits the row into null mask, fixed area and variable offsets.
    Result<void> crack(uint32_t pageNo, size_t rowOffset) {
        const size_t L = row.size();
        const std::byte* r = row.data();
        auto bad = [&](const char* what) { return makeError(std::string("row: ") + what, pageNo, int64_t(rowOffset)); };
        const bool jet3 = fmt->jet3;
        const size_t countSize = jet3 ? 1 : 2;
        if (L < countSize) return bad("too short");
        numCols = jet3 ? ld8(r) : ld16(r);
        const size_t nm = (size_t(numCols) + 7) / 8;
        if (nm > L - countSize) return bad("null mask does not fit");
        nullMask = r + (L - nm);
        fixedStart = countSize;
        varCount = 0;
        varOff.clear();
        if (table->variableColumnCount() == 0) {
            fixedEnd = L - nm;
            return {};
        }
        if (!jet3) {
            if (L - nm < countSize + 2) return bad("variable column count does not fit");
            varCount = ld16(r + L - nm - 2);
            // var_len, then varCount+1 offsets (the last is the end of the data) before it
            size_t tableBytes = 2 + (size_t(varCount) + 1) * 2;
            if (tableBytes > L - nm - countSize) return bad("variable offset table does not fit");
            const size_t dataEnd = L - nm - tableBytes;
            varOff.resize(size_t(varCount) + 1);
            for (size_t i = 0; i <= varCount; ++i) {
                uint16_t o = ld16(r + L - nm - 4 - 2 * i);
                if (o > dataEnd || o < countSize) return bad("variable column offset outside the row");
                varOff[i] = o;
            }
            fixedEnd = varOff[0];
            return {};
        }
        // Jet 3: one-byte offsets, extended by a jump table for rows over 256 bytes.
        if (L - nm < countSize + 1) return bad("variable column count does not fit");
        varCount = ld8(r + L - nm - 1);
        int64_t numJumps = int64_t(L - 1) / 256;
        int64_t colPtr = int64_t(L) - int64_t(nm) - numJumps - 2;
        if (colPtr - int64_t(varCount) < int64_t(countSize)) return bad("variable offset table does not fit");
        if ((colPtr - int64_t(varCount)) / 256 < numJumps) --numJumps;
        const size_t dataEnd = size_t(colPtr - varCount);
        varOff.resize(size_t(varCount) + 1);
        int64_t used = 0;
        for (int64_t i = 0; i <= varCount; ++i) {
            while (used < numJumps && i == int64_t(ld8(r + L - nm - 2 - size_t(used)))) ++used;
            size_t o = size_t(ld8(r + colPtr - i)) + size_t(used) * 256;
            if (o > dataEnd || o < countSize) return bad("variable column offset outside the row");
            varOff[size_t(i)] = uint16_t(o);
        }
        fixedEnd = varOff[0];
        return {};
    }

    void clearRow() {
        haveRow = false;
        rowErrors.clear();
    }

    bool loadRowAt(uint32_t pageNo, uint16_t slotNo) {
        PageRef holder;
        auto r = detail::findRow(*core, pageNo, slotNo, holder);
        if (!r) {
            rowErrors.push_back(r.error());
            return false;
        }
        if (ld32(holder.bytes.data() + 4) != table->tdefPage()) {
            rowErrors.push_back(makeError("row belongs to another table", holder.number, 4));
            return false;
        }
        rowPage = std::move(holder);
        row = *r;
        auto c = crack(rowPage.number, size_t(row.data() - rowPage.bytes.data()));
        if (!c) {
            rowErrors.push_back(c.error());
            return false;
        }
        pos = RowPosition{pageNo, slotNo};
        haveRow = true;
        return true;
    }

    bool next() {
        clearRow();
        if (ended) return false;
        if (!started && !start()) return false;
        for (;;) {
            if (!page) {
                if (pageIdx >= pages.size()) {
                    ended = true;
                    return false;
                }
                uint32_t pn = pages[pageIdx];
                auto p = core->page(pn);
                if (!p) {
                    problem(p.error());
                    ++pageIdx;
                    continue;
                }
                // Owned pages that hold no rows of this table (long values, indexes) are passed over.
                if (ld8(p->bytes.data()) != 0x01 || ld32(p->bytes.data() + 4) != table->tdefPage()) {
                    ++pageIdx;
                    continue;
                }
                auto n = detail::rowSlotCount(*fmt, *p);
                if (!n) {
                    problem(n.error());
                    ++pageIdx;
                    continue;
                }
                page = std::move(*p);
                slotCount = *n;
                slot = 0;
            }
            if (slot >= slotCount) {
                page = PageRef{};
                ++pageIdx;
                continue;
            }
            uint16_t s = uint16_t(slot++);
            auto b = detail::rowBounds(*fmt, page, s);
            if (!b) {
                problem(b.error());
                continue;
            }
            if (b->deleted) continue;
            if (b->overflow) {
                if (!loadRowAt(page.number, s)) {
                    for (auto& e : rowErrors) problem(e);
                    rowErrors.clear();
                    continue;
                }
                return true;
            }
            rowPage = page;
            row = page.bytes.subspan(b->start, b->end - b->start);
            auto c = crack(page.number, b->start);
            if (!c) {
                problem(c.error());
                continue;
            }
            pos = RowPosition{page.number, s};
            haveRow = true;
            return true;
        }
    }

    // The stored bytes of a column in the current row; false when Null.
    Result<bool> cellBytes(const Column& c, ByteSpan& out) {
        if (c.number >= numCols) return false;
        if (!((ld8(nullMask + c.number / 8) >> (c.number % 8)) & 1)) return false;
        if (c.isFixed()) {
            size_t w = fixedWidth(c.type);
            if (w == 0) w = c.length;
            size_t off = fixedStart + c.fixedOffset;
            if (!fits(fixedEnd, off, w))
                return makeError("column " + c.name + ": fixed value outside the row", rowPage.number,
                                 int64_t(row.data() - rowPage.bytes.data()));
            out = row.subspan(off, w);
            return true;
        }
        if (c.varIndex >= varCount) return false;
        uint16_t a = varOff[c.varIndex], b = varOff[size_t(c.varIndex) + 1];
        if (b < a)
            return makeError("column " + c.name + ": variable value has negative length", rowPage.number,
                             int64_t(row.data() - rowPage.bytes.data()));
        out = row.subspan(a, size_t(b - a));
        return true;
    }

    Result<Value> decode(size_t i) {
        if (!haveRow) return makeError("no current row");
        if (i >= cols.size()) return makeError("column index out of range");
        const Column& c = table->columns()[cols[i]];
        if (c.type == 0x01 && !c.isCalculated()) {
            if (c.number >= numCols) return Value::null();
            return Value::boolean((ld8(nullMask + c.number / 8) >> (c.number % 8)) & 1);
        }
        ByteSpan v;
        auto present = cellBytes(c, v);
        if (!present) return present.error();
        if (!*present) return Value::null();
        auto err = [&](const std::string& what) {
            return makeError("column " + c.name + ": " + what, rowPage.number,
                             int64_t(row.data() - rowPage.bytes.data()));
        };
        if (c.isCalculated()) {
            if (c.isLongValue()) {
                auto lv = detail::readLongValue(*core, v, bin[i]);
                if (!lv) return err(lv.error().message);
                v = ByteSpan(bin[i].data(), bin[i].size());
            }
            if (v.size() >= size_t(kCalcHeader)) {
                size_t len = ld32(v.data() + 16);
                v = v.subspan(kCalcHeader, std::min(len, v.size() - kCalcHeader));
            }
            return decodeCalculated(i, c, v, err);
        }
        return decodeStored(i, c, v, err);
    }

    template <class ErrFn>
    Result<Value> need(ByteSpan v, size_t n, ErrFn& err) {
        if (v.size() < n) return err("value too short (" + std::to_string(v.size()) + " bytes)");
        return Value::null();
    }

    template <class ErrFn>
    Result<Value> decodeStored(size_t i, const Column& c, ByteSpan v, ErrFn& err) {
        size_t w = fixedWidth(c.type);
        if (w && v.size() < w && c.type != 0x14)
            return err("value too short (" + std::to_string(v.size()) + " bytes)");
        const std::byte* p = v.data();
        switch (c.type) {
        case 0x02: return Value::byte(ld8(p));
        case 0x03: return Value::int16(int16_t(ld16(p)));
        case 0x04: return Value::int32(int32_t(ld32(p)));
        case 0x05: return Value::currency(int64_t(ld64(p)));
        case 0x06: { float f; std::memcpy(&f, p, 4); return Value::single(f); }
        case 0x07: { double d; std::memcpy(&d, p, 8); return Value::real(d); }
        case 0x08: { double d; std::memcpy(&d, p, 8); return Value::dateTime(d); }
        case 0x13: return Value::int64(int64_t(ld64(p)));
        case 0x0F: return Value::guid(v.first(16));
        case 0x12: return Value::complex(ComplexSummary{int32_t(ld32(p)), -1});
        case 0x10: {
            Decimal d;
            d.negative = (ld8(p) & 0x80) != 0;
            d.precision = c.precision;
            d.scale = c.scale;
            d.mantissa[3] = ld32(p + 1);
            d.mantissa[2] = ld32(p + 5);
            d.mantissa[1] = ld32(p + 9);
            d.mantissa[0] = ld32(p + 13);
            return Value::decimal(d);
        }
        case 0x14: return decodeExtDate(v, err);
        case 0x09: return Value::binary(v);
        case 0x0A: {
            std::string& s = text[i];
            s.clear();
            core->appendText(s, v, c.codePage);
            return Value::text(s);
        }
        case 0x0B:
        case 0x0C: {
            auto lv = detail::readLongValue(*core, v, bin[i]);
            if (!lv) return err(lv.error().message);
            ByteSpan data(bin[i].data(), bin[i].size());
            if (c.type == 0x0B) return Value::binary(data);
            std::string& s = text[i];
            s.clear();
            core->appendText(s, data, c.codePage);
            return Value::text(s);
        }
        default:
            return Value::binary(v);  // unknown type: show the stored bytes
        }
    }

    template <class ErrFn>
    Result<Value> decodeExtDate(ByteSpan v, ErrFn& err) {
        // "DDDDDDDDDDDDDDDDDDD:SSSSSSSSSSSSSSSSSSS:NNNNNNN": days since 0001-01-01, seconds, 100 ns
        std::string_view s(reinterpret_cast<const char*>(v.data()), v.size());
        size_t a = s.find(':');
        size_t b = a == std::string_view::npos ? a : s.find(':', a + 1);
        ExtDateTime e;
        if (a == std::string_view::npos || !parseDigits(s.data(), a, e.days))
            return err("extended date is not readable");
        std::string_view secs = s.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1);
        if (!parseDigits(secs.data(), secs.size(), e.seconds)) return err("extended date is not readable");
        if (b != std::string_view::npos) {
            std::string_view t = s.substr(b + 1);
            while (!t.empty() && (t.back() == '\0' || t.back() == ' ')) t.remove_suffix(1);
            if (!t.empty() && !parseDigits(t.data(), t.size(), e.ticks)) return err("extended date is not readable");
        }
        return Value::extDateTime(e);
    }

    template <class ErrFn>
    Result<Value> decodeCalculated(size_t i, const Column& c, ByteSpan v, ErrFn& err) {
        switch (c.type) {
        case 0x01:
            if (v.empty()) return err("calculated value is empty");
            return Value::boolean(ld8(v.data()) != 0);
        case 0x0A:
        case 0x0C: {
            std::string& s = text[i];
            s.clear();
            core->appendText(s, v, c.codePage);
            return Value::text(s);
        }
        case 0x10: {
            // [total length 2][scale][sign][magnitude: first 4 bytes swapped if not a multiple of 8,
            // then 8-byte little-endian groups, most significant first]
            if (v.size() < 4) return err("calculated decimal too short");
            size_t total = ld16(v.data());
            size_t n = (total > 0 ? total : v.size()) - std::min<size_t>(2, total > 0 ? total : v.size());
            n = std::min<size_t>((n / 4) * 4, 16);
            if (n > v.size() - 4) n = ((v.size() - 4) / 4) * 4;
            std::byte tmp[16];
            std::memcpy(tmp, v.data() + 4, n);
            size_t at = 0;
            if (n % 8) {
                std::reverse(tmp, tmp + 4);
                at = 4;
            }
            for (; at + 8 <= n; at += 8) std::reverse(tmp + at, tmp + at + 8);
            Decimal d;
            d.scale = ld8(v.data() + 2);
            d.negative = ld8(v.data() + 3) != 0;
            d.precision = 28;
            mantissaFromBigEndian(tmp, n, d);
            return Value::decimal(d);
        }
        default:
            return decodeStored(i, c, v, err);
        }
    }
};

Cursor::Cursor(std::shared_ptr<const Table> table, std::vector<size_t> columns) : d_(std::make_unique<Impl>()) {
    d_->core = table->core().get();
    d_->fmt = &d_->core->fmt;
    if (columns.empty()) {
        for (size_t i = 0; i < table->columns().size(); ++i) columns.push_back(i);
    } else {
        std::erase_if(columns, [&](size_t c) { return c >= table->columns().size(); });
    }
    d_->cols = std::move(columns);
    d_->text.resize(d_->cols.size());
    d_->bin.resize(d_->cols.size());
    d_->table = std::move(table);
}

Cursor::~Cursor() = default;
Cursor::Cursor(Cursor&&) noexcept = default;
Cursor& Cursor::operator=(Cursor&&) noexcept = default;

bool Cursor::next() { return d_->next(); }

void Cursor::rewind() {
    d_->clearRow();
    d_->ended = d_->fatal.has_value();
    d_->pageIdx = 0;
    d_->page = PageRef{};
    d_->slot = 0;
}

bool Cursor::seek(RowPosition pos) {
    d_->clearRow();
    return d_->loadRowAt(pos.page, pos.row);
}

RowPosition Cursor::position() const { return d_->pos; }
const Table& Cursor::table() const { return *d_->table; }
size_t Cursor::columnCount() const { return d_->cols.size(); }
const Column& Cursor::column(size_t i) const { return d_->table->columns()[d_->cols.at(i)]; }
const std::vector<size_t>& Cursor::columnIndexes() const { return d_->cols; }

Value Cursor::value(size_t i) {
    auto r = d_->decode(i);
    if (r) return *r;
    d_->rowErrors.push_back(r.error());
    return Value::null();
}

Result<Value> Cursor::read(size_t i) { return d_->decode(i); }
const std::vector<Error>& Cursor::rowErrors() const { return d_->rowErrors; }
const std::vector<Error>& Cursor::problems() const { return d_->problems; }
uint64_t Cursor::problemCount() const { return d_->problemCount; }
const std::optional<Error>& Cursor::error() const { return d_->fatal; }

}  // namespace jet
