// libFuzzer entry point: the input is a database file. Opens it, lists the tables, reads every
// column definition, index and property, and every cell of every row (long values included),
// rendering each through the CSV text path. The reader must neither crash, hang, nor run out of
// memory on any input; errors are fine.
#include "jet/csv.h"
#include "jet/cursor.h"
#include "jet/database.h"
#include "jet/table.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace {

// Keeps a single input from running for minutes on a table that claims millions of rows.
constexpr std::uint64_t kMaxRowsPerTable = 20000;

void touchProperties(const jet::PropertyList& list, std::string& sink)
{
    for (const jet::Property& p : list) {
        sink += p.name;
        jet::csv::appendValue(sink, p.value.view());
    }
}

void readTable(jet::Database& db, const jet::CatalogEntry& entry, std::string& sink)
{
    auto table = db.table(entry.name);
    if (!table)
        return;
    const jet::Table& t = **table;
    touchProperties(t.properties(), sink);
    for (const jet::Column& c : t.columns()) {
        sink += c.name;
        sink += c.description();
        touchProperties(c.properties, sink);
    }
    for (const jet::Index& ix : t.indexes()) {
        sink += ix.name;
        for (const jet::IndexColumn& k : ix.columns)
            if (k.column < t.columns().size())
                sink += t.columns()[k.column].name;
    }
    jet::Cursor cursor(*table);
    std::uint64_t rows = 0;
    while (rows < kMaxRowsPerTable && cursor.next()) {
        ++rows;
        for (std::size_t i = 0; i < cursor.columnCount(); ++i)
            jet::csv::appendField(sink, cursor.value(i));
        sink.clear();
    }
    // The loss count can never exceed what the scan could have met.
    if (cursor.missingRows() > cursor.unreadableRows() || (cursor.unreadableRows() > 0 && !cursor.firstLoss()))
        __builtin_trap();
    if (cursor.firstLoss())
        sink += cursor.firstLoss()->describe();
    // A second pass through seek() exercises the row-position path.
    const jet::RowPosition last = cursor.position();
    cursor.rewind();
    if (cursor.next() && cursor.seek(last) && cursor.columnCount() > 0)
        jet::csv::appendField(sink, cursor.value(0));
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::byte> bytes(size);
    for (std::size_t i = 0; i < size; ++i)
        bytes[i] = static_cast<std::byte>(data[i]);
    auto db = jet::Database::openBuffer(std::move(bytes), "fuzz.mdb");
    if (!db)
        return 0;
    std::string sink;
    for (const jet::CatalogEntry& e : (*db)->objects())
        sink += e.name;
    const std::vector<jet::CatalogEntry> tables = (*db)->tables();
    for (const jet::CatalogEntry& e : tables) {
        if (e.isLinked())
            continue;   // would open another file by path
        readTable(**db, e, sink);
    }
    return 0;
}
