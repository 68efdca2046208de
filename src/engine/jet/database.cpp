#include "jet/database.h"

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <map>
#include <optional>
#include <unordered_map>

#include "jet/core.h"
#include "jet/cursor.h"
#include "jet/table.h"
#include "jet/text.h"

namespace jet {

using detail::ByteSpan;
using detail::ld16;
using detail::ld32;
using detail::ld8;

std::string Error::describe() const {
    std::string s = message;
    if (page >= 0 || offset >= 0) {
        s += " (";
        if (page >= 0) s += "page " + std::to_string(page);
        if (offset >= 0) {
            if (page >= 0) s += ", ";
            char buf[32];
            std::snprintf(buf, sizeof buf, "offset 0x%llx", static_cast<unsigned long long>(offset));
            s += buf;
        }
        s += ")";
    }
    return s;
}

struct Database::State {
    std::shared_ptr<detail::DbCore> core;
    std::vector<CatalogEntry> objects;
    std::vector<CatalogEntry> tables;
    std::vector<detail::PropertyBlob> tableProps;  // parallel to tables
    std::map<std::string, std::shared_ptr<const Table>> cache;  // by folded name
    std::map<std::string, std::unique_ptr<Database>> linked;    // by resolved path
    // by hidden table page; nullopt when that table could not be read
    std::map<uint32_t, std::optional<std::unordered_map<int32_t, int32_t>>> complexCounts;
    int linkDepth = 0;
};

namespace {

constexpr uint32_t kCatalogPage = 2;

int64_t intOf(const Value& v) {
    switch (v.kind()) {
    case ValueKind::Boolean:
    case ValueKind::Byte:
    case ValueKind::Int16:
    case ValueKind::Int32:
    case ValueKind::Int64: return v.asInt();
    default: return 0;
    }
}

// True when few of the first pages (page 2 aside) carry a page header: a page type and the
// byte 0x01 after it, or nothing at all (a fresh page).
bool pagesLookEncrypted(detail::DbCore& core) {
    uint32_t looked = 0, plausible = 0;
    for (uint32_t n = 1; n < core.pageCount() && n <= 16; ++n) {
        if (n == kCatalogPage) continue;
        auto p = core.page(n);
        if (!p) break;
        ++looked;
        const uint8_t type = ld8(p->bytes.data()), second = ld8(p->bytes.data() + 1);
        const bool blank = std::all_of(p->bytes.begin(), p->bytes.end(), [](std::byte b) { return b == std::byte{0}; });
        if ((type >= 0x01 && type <= 0x08 && second == 0x01) || blank) ++plausible;
    }
    return looked > 0 && plausible * 4 <= looked;
}

std::string textOf(const Value& v) { return v.kind() == ValueKind::Text ? std::string(v.asText()) : std::string(); }

Result<void> loadCatalog(Database::State& s) {
    auto t = detail::loadTable(s.core, kCatalogPage, "MSysObjects");
    if (!t) {
        Error e = t.error();
        e.message = "system catalog unreadable: " + e.message;
        return e;
    }
    std::shared_ptr<const Table> cat = *t;
    auto col = [&](const char* name) -> size_t {
        const Column* c = cat->findColumn(name);
        return c ? c->displayIndex : SIZE_MAX;
    };
    const size_t cId = col("Id"), cParent = col("ParentId"), cName = col("Name"), cType = col("Type"),
                 cFlags = col("Flags"), cDb = col("Database"), cForeign = col("ForeignName"),
                 cProps = col("LvProp"), cConnect = col("Connect");
    if (cId == SIZE_MAX || cName == SIZE_MAX || cType == SIZE_MAX)
        return makeError("system catalog has no Id/Name/Type columns", kCatalogPage);
    std::vector<size_t> wanted = {cId, cName, cType};
    for (size_t c : {cParent, cFlags, cDb, cForeign, cProps, cConnect}) wanted.push_back(c);
    // The cursor drops out-of-range indexes; keep positions stable by mapping names to slots.
    std::vector<size_t> present;
    for (size_t c : wanted)
        if (c != SIZE_MAX) present.push_back(c);
    Cursor cur(cat, present);
    auto slot = [&](size_t c) -> size_t {
        for (size_t i = 0; i < present.size(); ++i)
            if (present[i] == c) return i;
        return SIZE_MAX;
    };
    const size_t sId = slot(cId), sName = slot(cName), sType = slot(cType), sParent = slot(cParent),
                 sFlags = slot(cFlags), sDb = slot(cDb), sForeign = slot(cForeign), sProps = slot(cProps),
                 sConnect = slot(cConnect);
    auto get = [&](size_t sl) { return sl == SIZE_MAX ? Value::null() : cur.value(sl); };
    size_t rows = 0;
    while (cur.next()) {
        if (++rows > 1000000) return makeError("system catalog has too many rows", kCatalogPage);
        CatalogEntry e;
        e.id = int32_t(intOf(get(sId)));
        e.name = textOf(get(sName));
        e.type = int32_t(intOf(get(sType)));
        e.parentId = int32_t(intOf(get(sParent)));
        e.flags = uint32_t(intOf(get(sFlags)));
        if (e.type == object_type::Table) e.tdefPage = uint32_t(e.id) & 0x00FFFFFFu;
        detail::PropertyBlob blob;
        if (e.isTable()) {
            e.linkedDatabase = textOf(get(sDb));
            e.foreignName = textOf(get(sForeign));
            e.connect = textOf(get(sConnect));
            Value lv = get(sProps);
            if (lv.kind() == ValueKind::Binary && !lv.asBytes().empty()) {
                auto p = detail::parseProperties(*s.core, lv.asBytes());
                if (p) blob = std::move(*p);  // unreadable properties: the table still opens
            }
            e.properties = blob.object;
        }
        s.objects.push_back(e);
        if (e.isTable()) {
            s.tables.push_back(std::move(e));
            s.tableProps.push_back(std::move(blob));
        }
    }
    if (cur.error()) {
        Error e = *cur.error();
        e.message = "system catalog unreadable: " + e.message;
        return e;
    }
    return {};
}

// The folder of a database file, made absolute so that it does not follow later changes of the
// current directory.
std::string dirOf(const std::string& path) {
    std::error_code ec;
    std::filesystem::path p = std::filesystem::absolute(path.empty() ? std::string(".") : path, ec);
    if (ec) p = path;
    return p.has_parent_path() ? p.parent_path().string() : std::string(".");
}

}  // namespace

Result<ComplexItemTable> Database::complexItemTable(const Column& c) {
    if (c.type != 0x12) return makeError("column " + c.name + " is no complex column");
    auto meta = table("MSysComplexColumns");
    if (!meta) return meta.error();
    const Column* cId = (*meta)->findColumn("ComplexID");
    const Column* cFlat = (*meta)->findColumn("FlatTableID");
    if (!cId || !cFlat) return makeError("MSysComplexColumns lacks its ComplexID or FlatTableID column");
    Cursor mc(*meta, {cId->displayIndex, cFlat->displayIndex});
    uint32_t flatPage = 0;
    while (mc.next()) {
        Value id = mc.value(0);
        if (!id.isNull() && uint32_t(id.asInt()) == c.complexId) {
            flatPage = uint32_t(mc.value(1).asInt()) & 0x00FFFFFFu;
            break;
        }
    }
    if (flatPage == 0) return makeError("the items of column " + c.name + " are not in MSysComplexColumns");
    auto flat = detail::loadTable(s_->core, flatPage, "complex " + c.name);
    if (!flat) return flat.error();
    // The key column of the hidden table carries extended flag 0x08.
    for (const Column& fc : (*flat)->columns())
        if ((fc.extFlags & 0x08) && fc.type == 0x04)
            return ComplexItemTable{std::shared_ptr<const Table>(std::move(*flat)), fc.displayIndex};
    return makeError("the item table of column " + c.name + " has no key column", int64_t(flatPage));
}

// Items per key of a complex column, from its hidden table. Unreadable metadata leaves the count unknown.
void Database::countComplexItems(Table& t, const Column& c) {
    if (detail::equalsIgnoreCase(t.name(), "MSysComplexColumns")) return;
    auto items = complexItemTable(c);
    if (!items) return;
    const uint32_t flatPage = items->table->tdefPage();
    if (auto it = s_->complexCounts.find(flatPage); it != s_->complexCounts.end()) {
        if (it->second) TableLoader::setComplexCounts(t, c.displayIndex, *it->second);
        return;
    }
    s_->complexCounts[flatPage] = std::nullopt;  // a damaged file pointing many columns here reads it once
    std::unordered_map<int32_t, int32_t> counts;
    Cursor fcur(items->table, {items->keyColumn});
    while (fcur.next()) {
        Value k = fcur.value(0);
        if (!k.isNull()) ++counts[int32_t(k.asInt())];
    }
    s_->complexCounts[flatPage] = counts;
    TableLoader::setComplexCounts(t, c.displayIndex, std::move(counts));
}

Database::Database(std::unique_ptr<State> state) : s_(std::move(state)) {}
Database::~Database() = default;

Result<std::unique_ptr<Database>> Database::open(const std::string& path, const OpenOptions& options) {
    auto src = detail::openFileSource(path);
    if (!src) return src.error();
    return openSource(std::move(*src), path, options);
}

Result<std::unique_ptr<Database>> Database::openBuffer(std::vector<std::byte> bytes, std::string name) {
    return openSource(detail::makeBufferSource(std::move(bytes)), std::move(name), OpenOptions{});
}

Result<std::unique_ptr<Database>> Database::openSource(std::unique_ptr<detail::ByteSource> src, std::string path,
                                                       const OpenOptions& options) {
    const std::string label = path.empty() ? std::string("database") : path;
    const uint64_t size = src->size();
    if (size == 0) return makeError(label + ": the file is empty");
    std::byte head[0x20] = {};
    const size_t headLen = size < sizeof head ? size_t(size) : sizeof head;
    if (!src->readAt(0, std::span<std::byte>(head, headLen))) return makeError(label + ": cannot read the header");
    static const char kJet[] = "Standard Jet DB";
    static const char kAce[] = "Standard ACE DB";
    if (headLen < 0x18 || ld32(head) != 0x00000100u ||
        (std::memcmp(head + 4, kJet, 15) != 0 && std::memcmp(head + 4, kAce, 15) != 0))
        return makeError(label + ": not an Access database (no Jet/ACE signature)", 0, 0);
    uint8_t ver = ld8(head + 0x14);
    if (ver > 6) return makeError(label + ": unknown database version " + std::to_string(ver), 0, 0x14);
    Version version = static_cast<Version>(ver);

    auto core = std::make_shared<detail::DbCore>();
    core->path = path;
    core->folder = dirOf(path);  // now: a later change of the current directory must not move it
    core->fmt = detail::Format::forVersion(version);
    const uint32_t ps = core->fmt.pageSize;
    if (size < uint64_t(ps) * 3)
        return makeError(label + ": the file is truncated (" + std::to_string(size) + " bytes)");
    core->pages = std::make_unique<detail::PageStore>(std::move(src), ps, options.cachePages);
    core->pages->setHeaderMask(0x18, core->fmt.jet3 ? 126 : 128);
    auto p0 = core->page(0);
    if (!p0) return p0.error();
    core->codePage = ld16(p0->bytes.data() + 0x3C);
    uint32_t dbKey = ld32(p0->bytes.data() + 0x3E);
    const bool ace = ver >= 2;
    if (dbKey != 0 && !ace) core->pages->setPageKey(dbKey);

    auto p2 = core->page(kCatalogPage);
    if (!p2) return p2.error();
    if (ld8(p2->bytes.data()) != 0x02) {
        // Encrypted pages look random; a damaged file still has the page headers of the others.
        if (pagesLookEncrypted(*core)) {
            if (ace) return makeError(label + ": the database is encrypted; encrypted databases cannot be read", 2, 0);
            return makeError(label + ": the pages are encoded in a way this reader does not know (encrypted?)", 2, 0);
        }
        return makeError(label + ": the file is damaged: page 2 should hold the system catalog's table definition "
                                 "but its page type is " + std::to_string(ld8(p2->bytes.data())),
                         2, 0);
    }

    auto state = std::make_unique<State>();
    state->core = core;
    auto cat = loadCatalog(*state);
    if (!cat) {
        Error e = cat.error();
        e.message = label + ": " + e.message;
        return e;
    }
    return std::unique_ptr<Database>(new Database(std::move(state)));
}

const std::string& Database::path() const { return s_->core->path; }
Version Database::version() const { return s_->core->fmt.version; }
uint32_t Database::pageSize() const { return s_->core->fmt.pageSize; }
uint32_t Database::pageCount() const { return s_->core->pageCount(); }
uint16_t Database::codePage() const { return s_->core->codePage; }
const std::vector<CatalogEntry>& Database::tables() const { return s_->tables; }
const std::vector<CatalogEntry>& Database::objects() const { return s_->objects; }

const CatalogEntry* Database::findTable(std::string_view name) const {
    for (const CatalogEntry& e : s_->tables)
        if (detail::equalsIgnoreCase(e.name, name)) return &e;
    return nullptr;
}

Result<std::shared_ptr<const Table>> Database::tableAtPage(uint32_t tdefPage, std::string name) {
    auto t = detail::loadTable(s_->core, tdefPage, std::move(name));
    if (!t) return t.error();
    return std::shared_ptr<const Table>(std::move(*t));
}

Result<std::shared_ptr<const Table>> Database::table(std::string_view name) {
    std::string key = detail::foldCase(name);
    if (auto it = s_->cache.find(key); it != s_->cache.end()) return it->second;
    size_t idx = SIZE_MAX;
    for (size_t i = 0; i < s_->tables.size(); ++i)
        if (detail::equalsIgnoreCase(s_->tables[i].name, name)) { idx = i; break; }
    if (idx == SIZE_MAX) return makeError("no table named \"" + std::string(name) + "\"");
    const CatalogEntry& e = s_->tables[idx];

    if (e.isLinked()) {
        if (e.type == object_type::LinkedOdbc)
            return makeError("table \"" + e.name + "\" is linked through ODBC (" + e.connect + "); it cannot be opened here");
        if (s_->linkDepth > 4) return makeError("linked table \"" + e.name + "\": links nest too deep");
        // The stored path is usually a Windows path (relative here). An absolute path is tried as
        // it stands; anything else against this file's folder, never the current directory, so a
        // command gives the same rows wherever it runs. Then the same file name beside this file.
        std::string stored = e.linkedDatabase;
        std::string unix = stored;
        for (char& c : unix)
            if (c == '\\') c = '/';
        const std::string& here = s_->core->folder;
        const std::filesystem::path storedPath(unix);
        std::vector<std::string> candidates;
        if (!unix.empty()) candidates.push_back(storedPath.is_absolute() ? unix : here + "/" + unix);
        const std::string base = storedPath.filename().string();
        if (!base.empty() && (candidates.empty() || candidates.front() != here + "/" + base))
            candidates.push_back(here + "/" + base);
        std::string resolved;
        for (const std::string& c : candidates) {
            std::error_code ec;
            if (std::filesystem::is_regular_file(c, ec)) {
                resolved = std::filesystem::weakly_canonical(c, ec).string();
                if (resolved.empty()) resolved = c;
                break;
            }
        }
        if (resolved.empty()) {
            std::string tried;
            for (const std::string& c : candidates) tried += (tried.empty() ? "" : ", ") + c;
            return makeError("linked table \"" + e.name + "\": the database " + stored + " was not found" +
                             (tried.empty() ? std::string() : " (tried " + tried + ")"));
        }
        auto it = s_->linked.find(resolved);
        if (it == s_->linked.end()) {
            auto other = Database::open(resolved);
            if (!other) {
                Error err = other.error();
                err.message = "linked table \"" + e.name + "\": " + err.message;
                return err;
            }
            (*other)->s_->linkDepth = s_->linkDepth + 1;
            it = s_->linked.emplace(resolved, std::move(*other)).first;
        }
        auto t = it->second->table(e.foreignName.empty() ? e.name : e.foreignName);
        if (!t) {
            Error err = t.error();
            err.message = "linked table \"" + e.name + "\": " + err.message;
            return err;
        }
        s_->cache[key] = *t;
        return *t;
    }

    auto t = detail::loadTable(s_->core, e.tdefPage, e.name);
    if (!t) {
        Error err = t.error();
        err.message = "table \"" + e.name + "\": " + err.message;
        return err;
    }
    TableLoader::setProperties(**t, s_->tableProps[idx]);
    for (const Column& c : (*t)->columns())
        if (c.type == 0x12) countComplexItems(**t, c);
    std::shared_ptr<const Table> ct = std::move(*t);
    s_->cache[key] = ct;
    return ct;
}

}  // namespace jet
