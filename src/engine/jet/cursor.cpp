#include "jet/cursor.h"

#include <algorithm>
#include <cstring>
#include <set>

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
constexpr int64_t kLastExtDay = 3652058;   // 9999-12-31, the last day of Date/Time Extended
constexpr int64_t kTicksPerDay = 864000000000LL;

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

    uint16_t firstVarColumn = 0xFFFF;

    std::vector<std::string> text;
    std::vector<std::vector<std::byte>> bin;
    std::vector<Error> rowErrors;
    std::vector<Error> problems;
    uint64_t problemCount = 0;

    // What this scan lost, in rows. Losses are rare: the sets only hold damaged places.
    std::set<uint64_t> lostRows;   // packed positions already counted
    std::set<uint32_t> lostPages;  // pages already counted whole
    uint64_t missing = 0;          // rows not there at all
    uint64_t damaged = 0;          // rows read with an unreadable cell
    uint64_t unknownPages = 0;     // pages whose rows could not be counted
    uint64_t rowsSeen = 0;         // rows next() gave
    bool wholeScan = true;         // no seek() since the scan began
    std::optional<Error> firstLoss;

    void problem(Error e) {
        if (!firstLoss) firstLoss = e;
        ++problemCount;
        if (problems.size() < kMaxProblemsKept) problems.push_back(std::move(e));
    }
    void rowMissing(uint32_t pageNo, uint16_t slotNo, Error e) {
        problem(std::move(e));
        if (lostRows.insert(RowPosition{pageNo, slotNo}.packed()).second) ++missing;
    }
    void pageMissing(uint32_t pageNo, std::optional<uint32_t> rows, Error e) {
        problem(std::move(e));
        if (!lostPages.insert(pageNo).second) return;
        if (rows) missing += *rows;
        else ++unknownPages;
    }
    // A cell of the current row could not be decoded (caller mistakes such as a bad index are
    // no loss).
    void cellLost(size_t i, const Error& e) {
        if (!haveRow || i >= info.size()) return;
        if (!firstLoss) firstLoss = e;
        if (lostRows.insert(pos.packed()).second) ++damaged;
    }
    // Rows of pages that could not be read: at the end of a whole scan, what the table
    // definition counts beyond the rows found, no more than such pages can hold (the count may
    // be damaged too); one a page before that, so that a loss seen is never reported as none.
    uint64_t unknownPageRows() const {
        if (unknownPages == 0) return 0;
        if (!ended || !wholeScan || fatal) return unknownPages;
        const uint64_t found = rowsSeen + missing;
        const uint64_t defined = table->rowCount();
        const uint64_t perPage = (fmt->pageSize - fmt->dataRowCount - 2) / 2;
        const uint64_t diff = defined > found ? defined - found : 0;
        return std::min(diff, unknownPages * perPage);
    }
    // A row count that fits the page but is lower than what the slot table and free space
    // establish (a damaged count): the live rows past it are read nowhere, so they are counted.
    void countSlotsPastTheRowCount(const PageRef& p, uint16_t count) {
        auto est = detail::slotsByFreeSpace(*fmt, p.bytes);
        if (!est || est->slots <= count) return;
        uint32_t lost = 0;
        for (uint32_t k = count; k < est->slots; ++k)
            if (!(ld16(p.bytes.data() + fmt->dataRowCount + 2 + 2 * k) & detail::kRowDeleted)) ++lost;
        pageMissing(p.number, lost,
                    makeError("row count " + std::to_string(count) + " is lower than the " + std::to_string(est->slots) +
                                  " rows the page lists",
                              p.number, int64_t(fmt->dataRowCount)));
    }

    void resetLoss() {
        problems.clear();
        problemCount = 0;
        lostRows.clear();
        lostPages.clear();
        missing = damaged = unknownPages = rowsSeen = 0;
        wholeScan = true;
        firstLoss.reset();
    }

    bool start() {
        started = true;
        auto p = detail::readUsageMap(*core, table->usageMapPointer());
        if (!p) {
            Error e = p.error();
            e.message = "table " + table->name() + ": " + e.message;
            fatal = e;
            if (!firstLoss) firstLoss = e;
            ended = true;
            return false;
        }
        pages = std::move(*p);
        return true;
    }

    // Splits the row into null mask, fixed area and variable offsets.
    Result<void> crack(uint32_t pageNo, size_t rowOffset) {
        auto l = detail::splitRow(*fmt, row, firstVarColumn, varOff, pageNo, int64_t(rowOffset));
        if (!l) return l.error();
        numCols = l->numCols;
        nullMask = row.data() + l->nullMask;
        fixedStart = l->fixedStart;
        fixedEnd = l->fixedEnd;
        varCount = l->varCount;
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
                    pageMissing(pn, std::nullopt, p.error());
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
                    pageMissing(pn, detail::liveRowsOfDamagedPage(*fmt, p->bytes), n.error());
                    ++pageIdx;
                    continue;
                }
                countSlotsPastTheRowCount(*p, *n);
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
                rowMissing(page.number, s, b.error());
                continue;
            }
            if (b->deleted) continue;
            if (b->overflow) {
                if (!loadRowAt(page.number, s)) {
                    for (auto& e : rowErrors) rowMissing(page.number, s, e);
                    rowErrors.clear();
                    continue;
                }
                ++rowsSeen;
                return true;
            }
            rowPage = page;
            row = page.bytes.subspan(b->start, b->end - b->start);
            auto c = crack(page.number, b->start);
            if (!c) {
                rowMissing(page.number, s, c.error());
                continue;
            }
            pos = RowPosition{page.number, s};
            haveRow = true;
            ++rowsSeen;
            return true;
        }
    }

    struct ColInfo {
        const Column* c;
        uint16_t number;
        uint16_t width;  // fixed columns: bytes read
        uint16_t fixedOffset;
        uint16_t varIndex;
        uint8_t type;
        bool fixed;
        bool calc;
    };
    struct TextBuf {
        std::unique_ptr<char[]> p;
        size_t cap = 0;
        char* reserve(size_t n) {
            if (n > cap) {
                size_t c = std::max(n, cap * 2);
                p = std::make_unique<char[]>(c);
                cap = c;
            }
            return p.get();
        }
    };
    std::vector<ColInfo> info;
    std::vector<TextBuf> tbuf;
    Error lastError;

    void prepare() {
        info.clear();
        for (size_t c : cols) {
            const Column& col = table->columns()[c];
            ColInfo ci{};
            ci.c = &col;
            ci.number = col.number;
            ci.width = fixedWidth(col.type) ? fixedWidth(col.type) : col.length;
            ci.fixedOffset = col.fixedOffset;
            ci.varIndex = col.varIndex;
            ci.type = col.type;
            ci.fixed = col.isFixed();
            ci.calc = col.isCalculated();
            info.push_back(ci);
        }
        tbuf.resize(cols.size());
    }

    bool fail(const Column& c, const std::string& what) {
        lastError = makeError("column " + c.name + ": " + what, rowPage.number,
                              int64_t(row.data() - rowPage.bytes.data()));
        return false;
    }

    bool nullBit(uint16_t number) const { return (ld8(nullMask + number / 8) >> (number % 8)) & 1; }

    // Decodes the i-th chosen column of the current row into `out`; false with lastError set.
    bool decodeInto(size_t i, Value& out) {
        if (!haveRow) {
            lastError = makeError("no current row");
            return false;
        }
        if (i >= info.size()) {
            lastError = makeError("column index out of range");
            return false;
        }
        const ColInfo& ci = info[i];
        const bool yesNo = ci.type == 0x01 && !ci.calc;
        if (ci.number >= numCols) {
            // A column added after the row was written: Yes/No is never Null, it reads No.
            out = yesNo ? Value::boolean(false) : Value::null();
            return true;
        }
        const bool bit = nullBit(ci.number);
        if (yesNo) {
            out = Value::boolean(bit);
            return true;
        }
        if (!bit) {
            out = Value::null();
            return true;
        }
        ByteSpan v;
        if (ci.fixed) {
            size_t off = fixedStart + ci.fixedOffset;
            if (!fits(fixedEnd, off, ci.width)) return fail(*ci.c, "fixed value outside the row");
            v = ByteSpan(row.data() + off, ci.width);
        } else {
            if (ci.varIndex >= varCount) {
                out = Value::null();
                return true;
            }
            uint16_t a = varOff[ci.varIndex], b = varOff[size_t(ci.varIndex) + 1];
            if (b < a) return fail(*ci.c, "variable value has negative length");
            v = ByteSpan(row.data() + a, size_t(b - a));
        }
        if (ci.calc) {
            const uint8_t rt = ci.c->resultType ? ci.c->resultType : ci.type;
            if (rt == 0x0B || rt == 0x0C || (rt == 0x0A && ci.c->length == 0)) {
                auto lv = detail::readLongValue(*core, v, bin[i]);
                if (!lv) return fail(*ci.c, lv.error().message);
                v = ByteSpan(bin[i].data(), bin[i].size());
            }
            bool computed = false;
            if (v.size() >= size_t(kCalcHeader)) {
                size_t len = ld32(v.data() + 16);
                v = v.subspan(kCalcHeader, std::min(len, v.size() - kCalcHeader));
                computed = true;
            }
            if (v.empty()) {
                // A computed zero-length text is "", not Null; without a result header the
                // value was never computed.
                out = computed && (rt == 0x0A || rt == 0x0C) ? Value::text(std::string_view("", 0)) : Value::null();
                return true;
            }
            return decodeCalculated(i, *ci.c, rt, v, out);
        }
        return decodeStored(i, *ci.c, ci.type, v, out);
    }

    bool textValue(size_t i, const Column& c, ByteSpan v, Value& out) {
        if (fmt->jet3) {
            std::string& s = text[i];
            s.clear();
            core->appendText(s, v, c.codePage);
            out = Value::text(s);
            return true;
        }
        char* dst = tbuf[i].reserve(detail::ucs2TextBound(v.size()));
        char* end = detail::writeUcs2Text(dst, v);
        out = Value::text(std::string_view(dst, size_t(end - dst)));
        return true;
    }

    bool decodeStored(size_t i, const Column& c, uint8_t type, ByteSpan v, Value& out) {
        size_t w = fixedWidth(type);
        if (w && v.size() < w && type != 0x14)
            return fail(c, "value too short (" + std::to_string(v.size()) + " bytes)");
        const std::byte* p = v.data();
        switch (type) {
        case 0x02: out = Value::byte(ld8(p)); return true;
        case 0x03: out = Value::int16(int16_t(ld16(p))); return true;
        case 0x04: out = Value::int32(int32_t(ld32(p))); return true;
        case 0x05: out = Value::currency(int64_t(ld64(p))); return true;
        case 0x06: { float f; std::memcpy(&f, p, 4); out = Value::single(f); return true; }
        case 0x07: { double d; std::memcpy(&d, p, 8); out = Value::real(d); return true; }
        case 0x08: { double d; std::memcpy(&d, p, 8); out = Value::dateTime(d); return true; }
        case 0x13: out = Value::int64(int64_t(ld64(p))); return true;
        case 0x0F: out = Value::guid(v.first(16)); return true;
        case 0x12: {
            int32_t key = int32_t(ld32(p));
            out = Value::complex(ComplexSummary{key, table->complexItemCount(c.displayIndex, key)});
            return true;
        }
        case 0x10: {
            Decimal d;
            d.negative = (ld8(p) & 0x80) != 0;
            d.precision = c.precision;
            d.scale = c.scale;
            d.mantissa[3] = ld32(p + 1);
            d.mantissa[2] = ld32(p + 5);
            d.mantissa[1] = ld32(p + 9);
            d.mantissa[0] = ld32(p + 13);
            out = Value::decimal(d);
            return true;
        }
        case 0x14: return decodeExtDate(c, v, out);
        case 0x09: out = Value::binary(v); return true;
        case 0x0A: return textValue(i, c, v, out);
        case 0x0B:
        case 0x0C: {
            auto lv = detail::readLongValue(*core, v, bin[i]);
            if (!lv) return fail(c, lv.error().message);
            // A zero-length value keeps a real address, so that no consumer takes it for Null.
            static const std::byte kNothing{};
            ByteSpan data(bin[i].empty() ? &kNothing : bin[i].data(), bin[i].size());
            if (type == 0x0B) {
                out = Value::binary(data);
                return true;
            }
            return textValue(i, c, data, out);
        }
        default:
            out = Value::binary(v);  // unknown type: show the stored bytes
            return true;
        }
    }

    bool decodeExtDate(const Column& c, ByteSpan v, Value& out) {
        // "DDDDDDDDDDDDDDDDDDD:TTTTTTTTTTTTTTTTTTT:P": days since 0001-01-01, time of day in
        // 100 ns ticks, digits of precision
        std::string_view s(reinterpret_cast<const char*>(v.data()), v.size());
        size_t a = s.find(':');
        size_t b = a == std::string_view::npos ? a : s.find(':', a + 1);
        ExtDateTime e;
        int64_t ticks = 0;
        if (a == std::string_view::npos || !parseDigits(s.data(), a, e.days) || e.days > kLastExtDay)
            return fail(c, "extended date is not readable");
        std::string_view t = s.substr(a + 1, b == std::string_view::npos ? std::string_view::npos : b - a - 1);
        while (!t.empty() && t.back() == '\0') t.remove_suffix(1);
        if (!parseDigits(t.data(), t.size(), ticks) || ticks >= kTicksPerDay)
            return fail(c, "extended date is not readable");
        e.seconds = ticks / 10000000;
        e.ticks = ticks % 10000000;
        out = Value::extDateTime(e);
        return true;
    }

    bool decodeCalculated(size_t i, const Column& c, uint8_t type, ByteSpan v, Value& out) {
        switch (type) {
        case 0x01:
            if (v.empty()) return fail(c, "calculated value is empty");
            out = Value::boolean(ld8(v.data()) != 0);
            return true;
        case 0x0A:
        case 0x0C: return textValue(i, c, v, out);
        case 0x10: {
            // [total length 2][scale][sign][magnitude: first 4 bytes swapped if not a multiple of 8,
            // then 8-byte little-endian groups, most significant first]
            if (v.size() < 4) return fail(c, "calculated decimal too short");
            size_t total = ld16(v.data());
            size_t n = total > 2 ? total - 2 : v.size() - 4;
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
            out = Value::decimal(d);
            return true;
        }
        default:
            return decodeStored(i, c, type, v, out);
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
    for (const Column& c : table->columns())
        if (!c.isFixed() && c.number < d_->firstVarColumn) d_->firstVarColumn = c.number;
    d_->table = std::move(table);
    d_->prepare();
}

Cursor::~Cursor() = default;
Cursor::Cursor(Cursor&&) noexcept = default;
Cursor& Cursor::operator=(Cursor&&) noexcept = default;

bool Cursor::next() { return d_->next(); }

void Cursor::rewind() {
    d_->clearRow();
    d_->resetLoss();
    d_->ended = d_->fatal.has_value();
    d_->pageIdx = 0;
    d_->page = PageRef{};
    d_->slot = 0;
}

bool Cursor::seek(RowPosition pos) {
    d_->clearRow();
    d_->wholeScan = false;
    if (!d_->loadRowAt(pos.page, pos.row)) return false;
    // next() goes on after this row.
    Impl& d = *d_;
    if (!d.started) {
        if (!d.start()) return true;
    }
    auto it = std::lower_bound(d.pages.begin(), d.pages.end(), pos.page);
    if (it != d.pages.end() && *it == pos.page) {
        auto p = d.core->page(pos.page);
        auto n = p ? detail::rowSlotCount(*d.fmt, *p) : Result<uint16_t>(p.error());
        if (p && n) {
            d.pageIdx = size_t(it - d.pages.begin());
            d.page = std::move(*p);
            d.slotCount = *n;
            d.slot = uint32_t(pos.row) + 1;
            d.ended = false;
        }
    }
    return true;
}

RowPosition Cursor::position() const { return d_->pos; }
const Table& Cursor::table() const { return *d_->table; }
size_t Cursor::columnCount() const { return d_->cols.size(); }
const Column& Cursor::column(size_t i) const { return d_->table->columns()[d_->cols.at(i)]; }
const std::vector<size_t>& Cursor::columnIndexes() const { return d_->cols; }

Value Cursor::value(size_t i) {
    Value v;
    if (d_->decodeInto(i, v)) return v;
    d_->cellLost(i, d_->lastError);
    d_->rowErrors.push_back(std::move(d_->lastError));
    return Value::null();
}

Cursor::RawCell Cursor::raw(size_t i) const {
    const Impl& d = *d_;
    RawCell out;
    if (!d.haveRow || i >= d.info.size()) return out;
    const Impl::ColInfo& ci = d.info[i];
    if (ci.calc || ci.type == 0x0B || ci.type == 0x0C || ci.type == 0x12 || (ci.type == 0x0A && d.fmt->jet3))
        return out;
    if (ci.type == 0x01) {
        out.kind = RawCell::Boolean;
        out.boolean = ci.number < d.numCols && d.nullBit(ci.number);
        return out;
    }
    if (ci.number >= d.numCols) {
        out.kind = RawCell::Null;
        return out;
    }
    const bool bit = d.nullBit(ci.number);
    if (!bit) {
        out.kind = RawCell::Null;
        return out;
    }
    if (ci.fixed) {
        size_t off = d.fixedStart + ci.fixedOffset;
        if (!fits(d.fixedEnd, off, ci.width)) return out;
        out.bytes = ByteSpan(d.row.data() + off, ci.width);
    } else {
        if (ci.varIndex >= d.varCount) {
            out.kind = RawCell::Null;
            return out;
        }
        uint16_t a = d.varOff[ci.varIndex], b = d.varOff[size_t(ci.varIndex) + 1];
        if (b < a) return out;
        out.bytes = ByteSpan(d.row.data() + a, size_t(b - a));
    }
    out.kind = RawCell::Bytes;
    return out;
}

Result<Value> Cursor::read(size_t i) {
    Value v;
    if (d_->decodeInto(i, v)) return v;
    d_->cellLost(i, d_->lastError);
    return d_->lastError;
}

const std::vector<Error>& Cursor::rowErrors() const { return d_->rowErrors; }
const std::vector<Error>& Cursor::problems() const { return d_->problems; }
uint64_t Cursor::problemCount() const { return d_->problemCount; }
const std::optional<Error>& Cursor::error() const { return d_->fatal; }
uint64_t Cursor::missingRows() const { return d_->missing + d_->unknownPageRows(); }
uint64_t Cursor::unreadableRows() const { return missingRows() + d_->damaged; }
const std::optional<Error>& Cursor::firstLoss() const { return d_->firstLoss; }

}  // namespace jet
