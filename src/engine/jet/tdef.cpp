// Table definitions: header block, column definitions and names, index definitions.
#include <set>

#include "jet/core.h"
#include "jet/table.h"
#include "jet/text.h"

namespace jet {

void TableLoader::setProperties(Table& t, const detail::PropertyBlob& blob) {
    t.properties_ = blob.object;
    for (const auto& [colName, props] : blob.columns) {
        for (Column& c : t.columns_)
            if (detail::equalsIgnoreCase(c.name, colName)) c.properties = props;
    }
    for (Column& c : t.columns_) {
        if (!c.isCalculated()) continue;
        const Property* rt = findProperty(c.properties, "ResultType");
        if (rt && !rt->value.isNull() && rt->value.kind() != ValueKind::Text) {
            int64_t v = rt->value.view().asInt();
            if (v > 0 && v < 256) c.resultType = uint8_t(v);
        }
    }
}

namespace {

using detail::ByteSpan;
using detail::ld16;
using detail::ld32;
using detail::ld8;

constexpr size_t kMaxTdefPages = 512;

bool isCodePage(uint16_t cp) {
    switch (cp) {
    case 437: case 737: case 775: case 850: case 852: case 855: case 857: case 860: case 861: case 862:
    case 863: case 864: case 865: case 866: case 869: case 874: case 932: case 936: case 949: case 950:
    case 1250: case 1251: case 1252: case 1253: case 1254: case 1255: case 1256: case 1257: case 1258:
        return true;
    default:
        return false;
    }
}

Error tdefError(const std::string& what, uint32_t page, size_t offset) {
    return makeError("table definition: " + what, int64_t(page), int64_t(offset));
}

// Reads a length-prefixed name; false when it does not fit.
bool readName(const detail::DbCore& core, ByteSpan buf, size_t& pos, std::string& out) {
    size_t lenSize = core.fmt.nameLenSize;
    if (!detail::fits(buf, pos, lenSize)) return false;
    size_t len = lenSize == 1 ? ld8(buf.data() + pos) : ld16(buf.data() + pos);
    pos += lenSize;
    if (!detail::fits(buf, pos, len)) return false;
    out.clear();
    if (core.fmt.jet3) detail::appendCodePageText(out, buf.subspan(pos, len), core.codePage);
    else detail::appendUtf16(out, buf.subspan(pos, len));
    pos += len;
    return true;
}

}  // namespace

Result<std::shared_ptr<Table>> TableLoader::load(const std::shared_ptr<detail::DbCore>& core, uint32_t tdefPage,
                                                 std::string name) {
    const detail::Format& f = core->fmt;
    // Gather the definition: first page whole, continuation pages without their 8-byte header.
    std::vector<std::byte> buf;
    std::set<uint32_t> seen;
    uint32_t pageNo = tdefPage;
    while (pageNo != 0) {
        if (!seen.insert(pageNo).second) return tdefError("page chain forms a cycle", pageNo, 4);
        if (seen.size() > kMaxTdefPages) return tdefError("page chain too long", pageNo, 4);
        auto page = core->page(pageNo);
        if (!page) return page.error();
        ByteSpan p = page->bytes;
        if (ld8(p.data()) != 0x02)
            return tdefError("page " + std::to_string(pageNo) + " is no table definition page (type " +
                                 std::to_string(ld8(p.data())) + ")",
                             pageNo, 0);
        if (buf.empty()) buf.assign(p.begin(), p.end());
        else buf.insert(buf.end(), p.begin() + 8, p.end());
        pageNo = ld32(p.data() + 4);
    }
    ByteSpan b(buf.data(), buf.size());
    if (!detail::fits(b, f.tdefRealIdxStart, 0)) return tdefError("header too short", tdefPage, 0);

    auto table = std::make_shared<Table>();
    table->core_ = core;
    table->name_ = std::move(name);
    table->tdefPage_ = tdefPage;
    table->rowCount_ = ld32(b.data() + f.tdefRowCount);
    table->tableType_ = ld8(b.data() + f.tdefTableType);
    table->maxCols_ = ld16(b.data() + f.tdefMaxCols);
    table->numVarCols_ = ld16(b.data() + f.tdefNumVarCols);
    uint16_t numCols = ld16(b.data() + f.tdefNumCols);
    uint32_t numIdx = ld32(b.data() + f.tdefNumIdx);
    uint32_t numRealIdx = ld32(b.data() + f.tdefNumRealIdx);
    table->usageMap_ = ld32(b.data() + f.tdefUsageMap);

    // Counts must fit the bytes that remain before anything is sized by them.
    size_t pos = f.tdefRealIdxStart;
    if (numRealIdx > (b.size() - pos) / f.realIdxEntry)
        return tdefError("index count " + std::to_string(numRealIdx) + " does not fit", tdefPage, f.tdefNumRealIdx);
    pos += size_t(numRealIdx) * f.realIdxEntry;
    if (numCols > (b.size() - pos) / f.colEntry)
        return tdefError("column count " + std::to_string(numCols) + " does not fit", tdefPage, f.tdefNumCols);
    if (numIdx > b.size() / f.logicalIdxEntry)
        return tdefError("index count " + std::to_string(numIdx) + " does not fit", tdefPage, f.tdefNumIdx);

    table->columns_.resize(numCols);
    for (size_t i = 0; i < numCols; ++i, pos += f.colEntry) {
        const std::byte* c = b.data() + pos;
        Column& col = table->columns_[i];
        col.type = ld8(c);
        col.displayIndex = i;
        if (f.jet3) {
            col.number = ld16(c + 1);
            col.varIndex = ld16(c + 3);
            if (col.type == 0x0A || col.type == 0x0C) {
                // Access writes the sort order (an LCID such as 1033) at 9 and the code page at 11;
                // some writers put the code page at 9. Take the first that names a code page.
                uint16_t at9 = ld16(c + 9), at11 = ld16(c + 11);
                col.sortOrder = ld16(c + 7);
                col.codePage = isCodePage(at9) ? at9 : isCodePage(at11) ? at11 : 0;
            }
            if (col.type == 0x10) {
                col.precision = ld8(c + 9);
                col.scale = ld8(c + 10);
            }
            col.flags = ld8(c + 13);
            col.fixedOffset = ld16(c + 14);
            col.length = ld16(c + 16);
        } else {
            col.number = ld16(c + 5);
            col.varIndex = ld16(c + 7);
            if (col.type == 0x10) {
                col.precision = ld8(c + 11);
                col.scale = ld8(c + 12);
            } else if (col.type == 0x12) {
                col.complexId = ld32(c + 11);
            } else if (col.type == 0x0A || col.type == 0x0C) {
                col.sortOrder = ld16(c + 11);
            }
            col.flags = ld8(c + 15);
            col.extFlags = ld8(c + 16);
            col.fixedOffset = ld16(c + 21);
            col.length = ld16(c + 23);
        }
        if (col.type == 0x0A) {
            uint16_t bytes = col.length;
            if (col.isCalculated() && bytes >= 23) bytes = uint16_t(bytes - 23);
            col.charLength = f.jet3 ? bytes : uint16_t(bytes / 2);
        }
    }
    for (size_t i = 0; i < numCols; ++i) {
        if (!readName(*core, b, pos, table->columns_[i].name))
            return tdefError("column name " + std::to_string(i) + " does not fit", tdefPage, pos);
    }

    // Physical index definitions: key columns and flags.
    struct RealIndex {
        std::vector<std::pair<uint16_t, uint8_t>> keys;
        uint8_t flags = 0;
    };
    std::vector<RealIndex> real(numRealIdx);
    for (uint32_t i = 0; i < numRealIdx; ++i) {
        if (!detail::fits(b, pos, f.realIdxDef)) return tdefError("index definition does not fit", tdefPage, pos);
        const std::byte* r = b.data() + pos + (f.jet3 ? 0 : 4);
        for (int k = 0; k < 10; ++k) {
            uint16_t colNum = ld16(r + k * 3);
            uint8_t order = ld8(r + k * 3 + 2);
            if (colNum != 0xFFFF) real[i].keys.emplace_back(colNum, order);
        }
        real[i].flags = ld8(b.data() + pos + f.realIdxFlags);
        pos += f.realIdxDef;
    }
    // Logical indexes in stored order.
    table->indexes_.resize(numIdx);
    for (uint32_t i = 0; i < numIdx; ++i) {
        if (!detail::fits(b, pos, f.logicalIdxEntry)) return tdefError("index entry does not fit", tdefPage, pos);
        const std::byte* l = b.data() + pos + (f.jet3 ? 0 : 4);
        Index& ix = table->indexes_[i];
        ix.number = ld32(l);
        ix.realIndex = ld32(l + 4);
        // number, real index, related table type, related index, related table page, cascades, type
        uint8_t type = ld8(l + 19);
        ix.primary = type == 0x01;
        ix.foreignKey = type == 0x02;
        if (ix.foreignKey) {
            ix.relatedIndex = ld32(l + 9);
            ix.relatedTablePage = ld32(l + 13) & 0x00FFFFFFu;
            ix.cascadeUpdates = ld8(l + 17) != 0;
            ix.cascadeDeletes = ld8(l + 18) != 0;
        }
        pos += f.logicalIdxEntry;
    }
    for (uint32_t i = 0; i < numIdx; ++i) {
        Index& ix = table->indexes_[i];
        if (!readName(*core, b, pos, ix.name))
            return tdefError("index name " + std::to_string(i) + " does not fit", tdefPage, pos);
        if (ix.realIndex < real.size()) {
            const RealIndex& r = real[ix.realIndex];
            ix.unique = (r.flags & 0x01) != 0 || ix.primary;
            ix.ignoreNulls = (r.flags & 0x02) != 0;
            ix.required = (r.flags & 0x08) != 0;
            for (auto [colNum, order] : r.keys) {
                IndexColumn kc;
                kc.columnNumber = colNum;
                kc.ascending = (order & 0x01) != 0;  // Access writes 0x01 ascending, 0x00 descending
                kc.column = SIZE_MAX;
                for (const Column& c : table->columns_)
                    if (c.number == colNum) { kc.column = c.displayIndex; break; }
                if (kc.column != SIZE_MAX) ix.columns.push_back(kc);
            }
        }
    }
    return table;
}

namespace detail {
Result<std::shared_ptr<Table>> loadTable(const std::shared_ptr<DbCore>& core, uint32_t tdefPage, std::string name) {
    return TableLoader::load(core, tdefPage, std::move(name));
}
}  // namespace detail

void TableLoader::setComplexCounts(Table& t, size_t displayIndex, std::unordered_map<int32_t, int32_t> counts) {
    t.complexCounts_.emplace_back(displayIndex, std::move(counts));
}

int32_t Table::complexItemCount(size_t displayIndex, int32_t key) const {
    for (const auto& [idx, counts] : complexCounts_) {
        if (idx != displayIndex) continue;
        auto it = counts.find(key);
        return it == counts.end() ? 0 : it->second;
    }
    return -1;
}

const Column* Table::findColumn(std::string_view name) const {
    for (const Column& c : columns_)
        if (detail::equalsIgnoreCase(c.name, name)) return &c;
    return nullptr;
}

namespace {
std::string descriptionOf(const PropertyList& props) {
    const Property* p = findProperty(props, "Description");
    if (!p || p->value.kind() != ValueKind::Text) return {};
    return std::string(p->value.view().asText());
}
}  // namespace

std::string Table::description() const { return descriptionOf(properties_); }
std::string Column::description() const { return descriptionOf(properties); }

}  // namespace jet
