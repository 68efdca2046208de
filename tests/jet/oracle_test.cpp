// Every file under tests/data/expected: what two independent readers agreed on (mdbtools and
// mdb-reader, see tests/data/README.md) against what we read. Rows are compared as multisets
// (tables with overflow rows list them in a different order) and columns by name.
#include <algorithm>
#include <filesystem>
#include <map>
#include <set>
#include <sstream>

#include "jet/text.h"
#include "test_util.h"

using namespace jet_test;
namespace fs = std::filesystem;

namespace {

std::vector<std::vector<std::string>> parseCsv(const std::string& s) {
    std::vector<std::vector<std::string>> rows;
    std::vector<std::string> row;
    std::string field;
    bool quoted = false, any = false;
    for (size_t i = 0; i < s.size(); ++i) {
        char c = s[i];
        if (quoted) {
            if (c == '"') {
                if (i + 1 < s.size() && s[i + 1] == '"') {
                    field += '"';
                    ++i;
                } else {
                    quoted = false;
                }
            } else {
                field += c;
            }
            continue;
        }
        if (c == '"') {
            quoted = true;
            any = true;
        } else if (c == ',') {
            row.push_back(field);
            field.clear();
            any = true;
        } else if (c == '\r' && i + 1 < s.size() && s[i + 1] == '\n') {
            // CRLF ends the record
        } else if (c == '\n') {
            row.push_back(field);
            rows.push_back(row);
            row.clear();
            field.clear();
            any = false;
        } else {
            field += c;
            any = true;
        }
    }
    if (any || !field.empty()) {
        row.push_back(field);
        rows.push_back(row);
    }
    return rows;
}

std::string slurp(const fs::path& p) {
    std::ifstream in(p, std::ios::binary);
    std::stringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::set<std::string> lines(const fs::path& p) {
    std::set<std::string> out;
    std::ifstream in(p);
    std::string l;
    while (std::getline(in, l))
        if (!l.empty()) out.insert(l);
    return out;
}

struct Case {
    std::string file;
    std::string table;
};

std::vector<Case> cases() {
    std::vector<Case> out;
    fs::path root = fs::path(TABULON_TEST_DATA) / "expected";
    std::error_code ec;
    for (const auto& dir : fs::directory_iterator(root, ec)) {
        if (!dir.is_directory()) continue;
        for (const auto& f : fs::directory_iterator(dir.path())) {
            std::string name = f.path().filename().string();
            if (name.size() > 4 && name.ends_with(".csv") && !name.ends_with(".head.csv"))
                out.push_back({dir.path().filename().string(), name.substr(0, name.size() - 4)});
        }
    }
    std::sort(out.begin(), out.end(), [](const Case& a, const Case& b) {
        return std::tie(a.file, a.table) < std::tie(b.file, b.table);
    });
    return out;
}

std::string dbPath(const std::string& file) {
    fs::path top = fs::path(TABULON_TEST_DATA) / file;
    if (fs::exists(top)) return top.string();
    return (fs::path(TABULON_TEST_DATA) / "real" / file).string();
}

class Oracle : public ::testing::TestWithParam<Case> {};

TEST_P(Oracle, TableMatchesIndependentReaders) {
    const Case& c = GetParam();
    auto db = jet::Database::open(dbPath(c.file));
    ASSERT_TRUE(db) << db.error().describe();
    auto t = (*db)->table(c.table);
    ASSERT_TRUE(t) << t.error().describe();

    // Export through the fast path into a temporary file.
    std::FILE* tmp = std::tmpfile();
    ASSERT_NE(tmp, nullptr);
    auto stats = jet::csv::writeTable(*t, tmp);
    ASSERT_TRUE(stats) << stats.error().describe();
    EXPECT_EQ(stats->unreadableRows, 0u) << (stats->errors.empty() ? "" : stats->errors.front().describe());
    std::fflush(tmp);
    std::rewind(tmp);
    std::string ours;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, tmp)) > 0) ours.append(buf, n);
    std::fclose(tmp);
    // Every record ends in CRLF.
    if (!ours.empty()) {
        EXPECT_EQ(ours.substr(ours.size() - 2), "\r\n");
    }

    fs::path dir = fs::path(TABULON_TEST_DATA) / "expected" / c.file;
    auto want = parseCsv(slurp(dir / (c.table + ".csv")));
    auto got = parseCsv(ours);
    ASSERT_FALSE(want.empty());
    ASSERT_FALSE(got.empty());
    std::set<std::string> skip = lines(dir / (c.table + ".unverified"));
    // Neither reader decodes complex or calculated values; ours are checked elsewhere.
    for (const jet::Column& col : (*t)->columns())
        if (col.type == 0x12 || col.isCalculated()) skip.insert(col.name);

    const auto& wh = want[0];
    const auto& gh = got[0];
    EXPECT_EQ(std::multiset<std::string>(wh.begin(), wh.end()), std::multiset<std::string>(gh.begin(), gh.end()));
    std::vector<size_t> map;  // expected column -> our column
    std::vector<std::string> kept;
    for (const std::string& h : wh) {
        if (skip.count(h)) continue;
        auto it = std::find(gh.begin(), gh.end(), h);
        ASSERT_NE(it, gh.end()) << h;
        map.push_back(size_t(it - gh.begin()));
        kept.push_back(h);
    }
    auto project = [&](const std::vector<std::vector<std::string>>& rows, bool isOurs) {
        std::multiset<std::vector<std::string>> out;
        for (size_t r = 1; r < rows.size(); ++r) {
            std::vector<std::string> v;
            for (size_t k = 0; k < kept.size(); ++k) {
                size_t col = isOurs ? map[k] : size_t(std::find(wh.begin(), wh.end(), kept[k]) - wh.begin());
                v.push_back(col < rows[r].size() ? rows[r][col] : "<missing>");
            }
            out.insert(v);
        }
        return out;
    };
    auto w = project(want, false);
    auto g = project(got, true);
    EXPECT_EQ(want.size(), got.size());
    if (w != g) {
        std::vector<std::vector<std::string>> onlyWant, onlyGot;
        std::set_difference(w.begin(), w.end(), g.begin(), g.end(), std::back_inserter(onlyWant));
        std::set_difference(g.begin(), g.end(), w.begin(), w.end(), std::back_inserter(onlyGot));
        std::string msg;
        for (size_t i = 0; i < std::min<size_t>(3, onlyWant.size()); ++i) {
            msg += "\n expected row:";
            for (auto& f : onlyWant[i]) msg += " [" + f.substr(0, 60) + "]";
        }
        for (size_t i = 0; i < std::min<size_t>(3, onlyGot.size()); ++i) {
            msg += "\n our row:     ";
            for (auto& f : onlyGot[i]) msg += " [" + f.substr(0, 60) + "]";
        }
        ADD_FAILURE() << onlyWant.size() << " rows differ" << msg;
    }
}

INSTANTIATE_TEST_SUITE_P(Expected, Oracle, ::testing::ValuesIn(cases()), [](const auto& info) {
    std::string s = info.param.file + "_" + info.param.table;
    std::string out;
    for (unsigned char ch : s) out += std::isalnum(ch) ? char(ch) : '_';
    return out + "_" + std::to_string(info.index);
});

// tables.txt: catalog tables without the system flags, sorted by name without regard to case.
class OracleTables : public ::testing::TestWithParam<std::string> {};

TEST_P(OracleTables, TableListMatches) {
    fs::path dir = fs::path(TABULON_TEST_DATA) / "expected" / GetParam();
    auto db = jet::Database::open(dbPath(GetParam()));
    ASSERT_TRUE(db) << db.error().describe();
    std::vector<std::string> names;
    for (const auto& e : (*db)->tables())
        if (e.flags != 0x80000000u && e.flags != 2u) names.push_back(e.name);
    std::sort(names.begin(), names.end(), [](const std::string& a, const std::string& b) {
        return jet::detail::foldCase(a) < jet::detail::foldCase(b);
    });
    std::vector<std::string> want;
    std::ifstream in(dir / "tables.txt");
    std::string l;
    while (std::getline(in, l))
        if (!l.empty()) want.push_back(l);
    EXPECT_EQ(names, want);
}

std::vector<std::string> tableLists() {
    std::vector<std::string> out;
    std::error_code ec;
    for (const auto& dir : fs::directory_iterator(fs::path(TABULON_TEST_DATA) / "expected", ec))
        if (fs::exists(dir.path() / "tables.txt")) out.push_back(dir.path().filename().string());
    std::sort(out.begin(), out.end());
    return out;
}

INSTANTIATE_TEST_SUITE_P(Expected, OracleTables, ::testing::ValuesIn(tableLists()), [](const auto& info) {
    std::string out;
    for (unsigned char ch : info.param) out += std::isalnum(ch) ? char(ch) : '_';
    return out;
});

}  // namespace
