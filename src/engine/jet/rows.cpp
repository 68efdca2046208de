// Data pages, row slots, overflow rows, long values and usage maps.
#include <algorithm>
#include <set>

#include "jet/core.h"
#include "jet/text.h"

namespace jet::detail {

Format Format::forVersion(Version v) {
    Format f;
    f.version = v;
    f.jet3 = v == Version::Jet3;
    if (f.jet3) {
        f.pageSize = 2048;
        f.dataRowCount = 8;
        f.tdefRowCount = 12;
        f.tdefTableType = 20;
        f.tdefMaxCols = 21;
        f.tdefNumVarCols = 23;
        f.tdefNumCols = 25;
        f.tdefNumIdx = 27;
        f.tdefNumRealIdx = 31;
        f.tdefUsageMap = 35;
        f.tdefRealIdxStart = 43;
        f.realIdxEntry = 8;
        f.colEntry = 18;
        f.nameLenSize = 1;
        f.realIdxDef = 39;
        f.realIdxFlags = 38;  // key columns 30, usage map 4, first page 4
        f.logicalIdxEntry = 20;
    } else {
        f.pageSize = 4096;
        f.dataRowCount = 12;
        f.tdefRowCount = 16;
        f.tdefTableType = 40;
        f.tdefMaxCols = 41;
        f.tdefNumVarCols = 43;
        f.tdefNumCols = 45;
        f.tdefNumIdx = 47;
        f.tdefNumRealIdx = 51;
        f.tdefUsageMap = 55;
        f.tdefRealIdxStart = 63;
        f.realIdxEntry = 12;
        f.colEntry = 25;
        f.nameLenSize = 2;
        f.realIdxDef = 52;
        f.realIdxFlags = 46;  // 4 unknown, key columns 30, usage map 4, first page 4, 4 unknown
        f.logicalIdxEntry = 28;
    }
    return f;
}

void DbCore::appendText(std::string& out, ByteSpan bytes, uint16_t columnCodePage) const {
    if (fmt.jet3) {
        uint16_t cp = columnCodePage != 0 ? columnCodePage : codePage;
        appendCodePageText(out, bytes, cp);
    } else {
        appendUcs2Text(out, bytes);
    }
}

Result<uint16_t> rowSlotCount(const Format& f, const PageRef& page) {
    ByteSpan p = page.bytes;
    if (!fits(p, f.dataRowCount, 2)) return makeError("data page too short", page.number, 0);
    uint16_t n = ld16(p.data() + f.dataRowCount);
    size_t tableEnd = f.dataRowCount + 2 + size_t(n) * 2;
    if (tableEnd > p.size())
        return makeError("row count " + std::to_string(n) + " does not fit the data page", page.number,
                         int64_t(f.dataRowCount));
    return n;
}

std::optional<SlotCount> slotsByFreeSpace(const Format& f, ByteSpan p) {
    if (!fits(p, f.dataRowCount, 2)) return std::nullopt;
    const size_t free = ld16(p.data() + 2);
    const size_t base = f.dataRowCount + 2;
    size_t lowest = p.size();
    uint32_t live = 0;
    for (size_t k = 0; base + 2 * (k + 1) <= p.size(); ++k) {
        const size_t tableEnd = base + 2 * (k + 1);
        const uint16_t raw = ld16(p.data() + base + 2 * k);
        const size_t start = raw & kRowOffsetMask;
        if (!(raw & kRowDeleted)) {
            if (start < tableEnd || start >= p.size()) return std::nullopt;  // no row offset: no answer
            ++live;
        }
        if (start >= tableEnd && start < lowest) lowest = start;
        if (tableEnd + free == lowest) return SlotCount{uint32_t(k + 1), live};
        if (tableEnd + free > lowest) return std::nullopt;
    }
    return std::nullopt;
}

Result<RowLayout> splitRow(const Format& f, ByteSpan row, uint16_t firstVarColumn, std::vector<uint16_t>& varOff,
                           int64_t page, int64_t offset) {
    const size_t L = row.size();
    const std::byte* r = row.data();
    auto bad = [&](const char* what) { return makeError(std::string("row: ") + what, page, offset); };
    const bool jet3 = f.jet3;
    const size_t countSize = jet3 ? 1 : 2;
    if (L < countSize) return bad("too short");
    RowLayout out;
    out.numCols = jet3 ? ld8(r) : ld16(r);
    const size_t nm = (size_t(out.numCols) + 7) / 8;
    if (nm > L - countSize) return bad("null mask does not fit");
    out.nullMask = L - nm;
    out.fixedStart = countSize;
    varOff.clear();
    if (out.numCols <= firstVarColumn) {
        out.fixedEnd = L - nm;
        return out;
    }
    if (!jet3) {
        if (L - nm < countSize + 2) return bad("variable column count does not fit");
        out.varCount = ld16(r + L - nm - 2);
        // var_len, then varCount+1 offsets (the last is the end of the data) before it
        const size_t tableBytes = 2 + (size_t(out.varCount) + 1) * 2;
        if (tableBytes > L - nm - countSize) return bad("variable offset table does not fit");
        const size_t dataEnd = L - nm - tableBytes;
        varOff.resize(size_t(out.varCount) + 1);
        for (size_t i = 0; i <= out.varCount; ++i) {
            const uint16_t o = ld16(r + L - nm - 4 - 2 * i);
            if (o > dataEnd || o < countSize) return bad("variable column offset outside the row");
            varOff[i] = o;
        }
        out.fixedEnd = varOff[0];
        return out;
    }
    // Jet 3: one-byte offsets, extended by a jump table for rows longer than 256 bytes. The
    // table has one entry per 256 bytes of row (row length - 1) / 256; the last may be a dummy.
    if (L - nm < countSize + 1) return bad("variable column count does not fit");
    out.varCount = ld8(r + L - nm - 1);
    int64_t numJumps = int64_t(L - 1) / 256;
    const int64_t colPtr = int64_t(L) - int64_t(nm) - numJumps - 2;
    if (colPtr - int64_t(out.varCount) < int64_t(countSize)) return bad("variable offset table does not fit");
    if ((colPtr - int64_t(out.varCount)) / 256 < numJumps) --numJumps;
    const size_t dataEnd = size_t(colPtr - out.varCount);
    varOff.resize(size_t(out.varCount) + 1);
    int64_t used = 0;
    for (int64_t i = 0; i <= out.varCount; ++i) {
        while (used < numJumps && i == int64_t(ld8(r + L - nm - 2 - size_t(used)))) ++used;
        const size_t o = size_t(ld8(r + colPtr - i)) + size_t(used) * 256;
        if (o > dataEnd || o < countSize) return bad("variable column offset outside the row");
        varOff[size_t(i)] = uint16_t(o);
    }
    out.fixedEnd = varOff[0];
    return out;
}

Result<RowBounds> rowBounds(const Format& f, const PageRef& page, uint16_t row) {
    auto count = rowSlotCount(f, page);
    if (!count) return count.error();
    if (row >= *count)
        return makeError("row " + std::to_string(row) + " does not exist on the page", page.number,
                         int64_t(f.dataRowCount));
    ByteSpan p = page.bytes;
    size_t slotOff = f.dataRowCount + 2 + size_t(row) * 2;
    uint16_t raw = ld16(p.data() + slotOff);
    RowBounds b;
    b.deleted = (raw & kRowDeleted) != 0;
    b.overflow = (raw & kRowOverflow) != 0;
    b.start = raw & kRowOffsetMask;
    // A row ends where the previous row (stored above it in the page) begins.
    b.end = p.size();
    if (row > 0) b.end = ld16(p.data() + slotOff - 2) & kRowOffsetMask;
    size_t headerEnd = f.dataRowCount + 2 + size_t(*count) * 2;
    const bool good = b.start >= headerEnd && b.start < b.end && b.end <= p.size();
    if (b.deleted) {
        // Deleted slots are skipped, except targets of overflow pointers, which carry this flag.
        if (!good) b.start = b.end = 0;
        return b;
    }
    if (!good)
        return makeError("row " + std::to_string(row) + " has bad bounds " + std::to_string(b.start) + ".." +
                             std::to_string(b.end),
                         page.number, int64_t(slotOff));
    return b;
}

Result<ByteSpan> findRow(const DbCore& core, uint32_t pageNo, uint16_t row, PageRef& out) {
    constexpr int kMaxHops = 16;
    uint64_t seen[kMaxHops];  // no heap work per row
    for (int hop = 0; hop < kMaxHops; ++hop) {
        const uint64_t key = (uint64_t(pageNo) << 16) | row;
        for (int k = 0; k < hop; ++k)
            if (seen[k] == key) return makeError("overflow row pointers form a cycle", pageNo);
        seen[hop] = key;
        auto page = core.page(pageNo);
        if (!page) return page.error();
        if (page->bytes[0] != std::byte{0x01})
            return makeError("row pointer leads to a page that is no data page", pageNo, 0);
        auto b = rowBounds(core.fmt, *page, row);
        if (!b) return b.error();
        if (b->deleted && (hop == 0 || b->start == b->end))
            return makeError("row " + std::to_string(row) + " is deleted", pageNo);
        if (!b->overflow) {
            out = std::move(*page);
            return out.bytes.subspan(b->start, b->end - b->start);
        }
        if (b->end - b->start < 4)
            return makeError("overflow row pointer is too short", pageNo, int64_t(b->start));
        uint32_t ptr = ld32(page->bytes.data() + b->start);
        pageNo = ptr >> 8;
        row = uint16_t(ptr & 0xFF);
    }
    return makeError("too many overflow hops", pageNo);
}

namespace {

// The bytes of one LVAL row: (page,row) from a long-value pointer.
Result<ByteSpan> lvalRow(const DbCore& core, uint32_t ptr, PageRef& holder) {
    uint32_t pageNo = ptr >> 8;
    uint16_t row = uint16_t(ptr & 0xFF);
    auto page = core.page(pageNo);
    if (!page) return page.error();
    if (page->bytes[0] != std::byte{0x01})
        return makeError("long value pointer leads to a page that is no data page", pageNo, 0);
    auto b = rowBounds(core.fmt, *page, row);
    if (!b) return b.error();
    if (b->deleted) return makeError("long value row is deleted", pageNo);
    holder = std::move(*page);
    return holder.bytes.subspan(b->start, b->end - b->start);
}

}  // namespace

Result<void> readLongValue(const DbCore& core, ByteSpan field, std::vector<std::byte>& out) {
    out.clear();
    if (field.size() < 12) return makeError("long value field shorter than 12 bytes");
    uint32_t lenWord = ld32(field.data());
    uint8_t kind = uint8_t(lenWord >> 24) & 0xC0;
    size_t len = lenWord & 0x3FFFFFFF;
    uint32_t ptr = ld32(field.data() + 4);
    uint64_t fileBytes = core.pages->fileSize();

    if (kind == 0x80) {  // inline
        if (len > field.size() - 12) return makeError("inline long value longer than its field");
        out.assign(field.begin() + 12, field.begin() + 12 + ptrdiff_t(len));
        return {};
    }
    if (len > fileBytes) return makeError("long value length " + std::to_string(len) + " exceeds the file size");
    PageRef holder;
    if (kind == 0x40) {  // one LVAL row
        auto row = lvalRow(core, ptr, holder);
        if (!row) return row.error();
        if (len > row->size())
            return makeError("long value longer than its row", int64_t(ptr >> 8));
        out.assign(row->begin(), row->begin() + ptrdiff_t(len));
        return {};
    }
    if (kind != 0) return makeError("unknown long value kind");
    // Chain of LVAL rows: each starts with the pointer to the next.
    // Grow with the data actually found; a damaged length must not reserve memory by itself.
    out.reserve(std::min<size_t>(len, size_t(1) << 20));
    std::set<uint32_t> seen;
    while (out.size() < len) {
        if (ptr == 0) return makeError("long value chain ends early (" + std::to_string(out.size()) + " of " +
                                       std::to_string(len) + " bytes)");
        if (!seen.insert(ptr).second) return makeError("long value chain forms a cycle", int64_t(ptr >> 8));
        if (seen.size() > core.pageCount() * 256ull) return makeError("long value chain too long");
        auto row = lvalRow(core, ptr, holder);
        if (!row) return row.error();
        if (row->size() < 4) return makeError("long value chain row too short", int64_t(ptr >> 8));
        uint32_t next = ld32(row->data());
        size_t take = std::min(row->size() - 4, len - out.size());
        out.insert(out.end(), row->begin() + 4, row->begin() + 4 + ptrdiff_t(take));
        ptr = next;
    }
    return {};
}

// Pages beyond the end of the file stay in the list: a file cut short lost their rows, and the
// scan counts them.
Result<std::vector<uint32_t>> readUsageMap(const DbCore& core, uint32_t rowPointer) {
    PageRef holder;
    auto row = findRow(core, rowPointer >> 8, uint16_t(rowPointer & 0xFF), holder);
    if (!row) return Error{"usage map: " + row.error().message, row.error().page, row.error().offset};
    ByteSpan m = *row;
    std::vector<uint32_t> pages;
    if (m.size() < 1) return makeError("usage map is empty", int64_t(rowPointer >> 8));
    uint8_t type = ld8(m.data());
    if (type == 0) {
        if (m.size() < 5) return makeError("usage map too short", int64_t(rowPointer >> 8));
        uint32_t start = ld32(m.data() + 1);
        for (size_t i = 5; i < m.size(); ++i) {
            uint8_t bits = ld8(m.data() + i);
            if (!bits) continue;
            for (int b = 0; b < 8; ++b) {
                if (!(bits & (1u << b))) continue;
                uint64_t p = uint64_t(start) + (i - 5) * 8 + size_t(b);
                if (p <= UINT32_MAX) pages.push_back(uint32_t(p));
            }
        }
        return pages;
    }
    if (type == 1) {
        const size_t bitsPerPage = (size_t(core.fmt.pageSize) - 4) * 8;
        for (size_t i = 1, k = 0; i + 4 <= m.size(); i += 4, ++k) {
            uint32_t mapPage = ld32(m.data() + i);
            if (mapPage == 0) continue;
            auto mp = core.page(mapPage);
            if (!mp) return mp.error();
            if (mp->bytes[0] != std::byte{0x05})
                return makeError("usage map points to a page that is no map page", mapPage, 0);
            ByteSpan bm = mp->bytes.subspan(4);
            for (size_t j = 0; j < bm.size(); ++j) {
                uint8_t bits = ld8(bm.data() + j);
                if (!bits) continue;
                for (int b = 0; b < 8; ++b) {
                    if (!(bits & (1u << b))) continue;
                    uint64_t p = uint64_t(k) * bitsPerPage + j * 8 + size_t(b);
                    if (p <= UINT32_MAX) pages.push_back(uint32_t(p));
                }
            }
        }
        std::sort(pages.begin(), pages.end());
        pages.erase(std::unique(pages.begin(), pages.end()), pages.end());
        return pages;
    }
    return makeError("unknown usage map type " + std::to_string(type), int64_t(rowPointer >> 8));
}

}  // namespace jet::detail
