#pragma once
// Shared helpers for the reader tests.
#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "jet/csv.h"
#include "jet/cursor.h"
#include "jet/database.h"
#include "jet/table.h"

namespace jet_test {

inline std::string dataPath(const std::string& name) { return std::string(TABULON_TEST_DATA) + "/" + name; }

inline std::vector<std::byte> readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::vector<char> c((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    std::vector<std::byte> b(c.size());
    for (size_t i = 0; i < c.size(); ++i) b[i] = std::byte(uint8_t(c[i]));
    return b;
}

inline std::unique_ptr<jet::Database> openDb(const std::string& name) {
    auto db = jet::Database::open(dataPath(name));
    if (!db) {
        ADD_FAILURE() << name << ": " << db.error().describe();
        return nullptr;
    }
    return std::move(*db);
}

inline std::shared_ptr<const jet::Table> openTable(jet::Database& db, const std::string& name) {
    auto t = db.table(name);
    if (!t) {
        ADD_FAILURE() << name << ": " << t.error().describe();
        return nullptr;
    }
    return *t;
}

// Name of the n-th case of a parameterised test ("c3"). Built by appending: GCC 12 at -O3 warns
// falsely (-Wrestrict) on a literal added to a temporary string.
inline std::string caseName(const char* prefix, size_t n) {
    std::string s = prefix;
    s += std::to_string(n);
    return s;
}

// Little-endian loads and stores on a file image (tests build damaged copies of fixtures).
inline uint16_t loadLe16(const std::vector<std::byte>& b, size_t at) {
    return uint16_t(uint8_t(b.at(at)) | uint8_t(b.at(at + 1)) << 8);
}
inline uint32_t loadLe32(const std::vector<std::byte>& b, size_t at) {
    return uint32_t(loadLe16(b, at)) | uint32_t(loadLe16(b, at + 2)) << 16;
}
inline void storeLe16(std::vector<std::byte>& b, size_t at, uint16_t v) {
    b.at(at) = std::byte(uint8_t(v));
    b.at(at + 1) = std::byte(uint8_t(v >> 8));
}
inline void storeLe32(std::vector<std::byte>& b, size_t at, uint32_t v) {
    storeLe16(b, at, uint16_t(v));
    storeLe16(b, at + 2, uint16_t(v >> 16));
}
inline std::vector<std::byte> byteVector(std::initializer_list<int> v) {
    std::vector<std::byte> out;
    for (int x : v) out.push_back(std::byte(uint8_t(x)));
    return out;
}

// Data pages of a table in file order (page type 1, owner = its definition page).
inline std::vector<size_t> dataPagesOf(const std::vector<std::byte>& file, size_t pageSize, uint32_t tdefPage) {
    std::vector<size_t> pages;
    for (size_t p = 1; p < file.size() / pageSize; ++p)
        if (file[p * pageSize] == std::byte{1} && loadLe32(file, p * pageSize + 4) == tdefPage) pages.push_back(p);
    return pages;
}

inline std::unique_ptr<jet::Database> openBytes(const std::vector<std::byte>& bytes, const std::string& name = "copy.mdb") {
    auto db = jet::Database::openBuffer(bytes, name);
    if (!db) {
        ADD_FAILURE() << name << ": " << db.error().describe();
        return nullptr;
    }
    return std::move(*db);
}

// Every row as canonical text; std::nullopt for Null.
using Cell = std::optional<std::string>;
using Rows = std::vector<std::vector<Cell>>;

inline Rows readAll(const std::shared_ptr<const jet::Table>& t) {
    Rows rows;
    jet::Cursor cur(t);
    while (cur.next()) {
        std::vector<Cell> r;
        for (size_t i = 0; i < cur.columnCount(); ++i) {
            jet::Value v = cur.value(i);
            if (v.isNull()) r.emplace_back(std::nullopt);
            else r.emplace_back(jet::csv::valueText(v));
        }
        EXPECT_TRUE(cur.rowErrors().empty()) << t->name() << ": " << cur.rowErrors().front().describe();
        rows.push_back(std::move(r));
    }
    EXPECT_FALSE(cur.error().has_value()) << cur.error()->describe();
    EXPECT_EQ(cur.unreadableRows(), 0u) << t->name() << ": " << (cur.firstLoss() ? cur.firstLoss()->describe() : "");
    return rows;
}

// "YYYY-MM-DD HH:MM:SS" from calendar arithmetic (std::chrono), independent of the reader's own.
inline std::string dateText(std::chrono::sys_days day, int h = 0, int m = 0, int s = 0) {
    std::chrono::year_month_day ymd(day);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%04d-%02u-%02u %02d:%02d:%02d", int(ymd.year()), unsigned(ymd.month()),
                  unsigned(ymd.day()), h, m, s);
    return buf;
}

inline std::chrono::sys_days ymd(int y, unsigned m, unsigned d) {
    return std::chrono::sys_days(std::chrono::year(y) / std::chrono::month(m) / std::chrono::day(d));
}

}  // namespace jet_test
