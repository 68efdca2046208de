// The generated sample databases, checked against the rules of their manifests (tests/data/*.txt):
// the same content in Jet 4 (2000 and 2003) and ACE (2007) form.
#include <cmath>
#include <cstring>

#include "test_util.h"

using namespace jet_test;

namespace {

const char* const kSurnames[] = {"佐藤", "鈴木", "高橋", "田中", "伊藤", "渡辺", "山本", "中村", "小林", "加藤"};
const char* const kGiven[] = {"太郎", "花子", "一郎", "美咲", "健太", "陽子", "翔"};
const char* const kCustomers[] = {"Acme Corp", "Globex",   "Initech", "Umbrella",
                                  "Stark Industries", "Wayne Enterprises", "Hooli", "Tyrell"};

std::string repeat(const std::string& s, int n) {
    std::string r;
    for (int i = 0; i < n; ++i) r += s;
    return r;
}

// Currency text from a value scaled by 10000, written independently of the reader.
std::string money(long long scaled) {
    bool neg = scaled < 0;
    unsigned long long m = neg ? 0ull - (unsigned long long)scaled : (unsigned long long)scaled;
    std::string s = std::to_string(m / 10000);
    std::string f = std::to_string(m % 10000 + 10000).substr(1);
    while (!f.empty() && f.back() == '0') f.pop_back();
    if (!f.empty()) s += "." + f;
    return (neg && m ? "-" : "") + s;
}

struct ExpectedColumn {
    const char* name;
    int type;
    int length;
    int chars;
    bool autoNumber;
    bool compressed;
    const char* description;  // nullptr = none
};

class Manifest : public ::testing::TestWithParam<const char*> {
protected:
    void SetUp() override {
        db = openDb(GetParam());
        ASSERT_TRUE(db);
    }
    std::unique_ptr<jet::Database> db;
};

TEST_P(Manifest, UserTablesInCreationOrder) {
    std::vector<std::string> names;
    for (const auto& e : db->tables())
        if (!e.isSystem() && !(e.flags & jet::object_flags::Hidden)) names.push_back(e.name);
    EXPECT_EQ(names, (std::vector<std::string>{"社員", "Orders", "Empty Table", "Big5000", "Wide46", "Zero"}));
    const jet::CatalogEntry* sys = db->findTable("msysobjects");
    ASSERT_NE(sys, nullptr);
    EXPECT_EQ(sys->flags, 0x80000000u);
    EXPECT_EQ(sys->type, jet::object_type::Table);
}

TEST_P(Manifest, EmployeeColumnsAndIndexes) {
    auto t = openTable(*db, "社員");
    ASSERT_TRUE(t);
    const ExpectedColumn want[] = {
        {"ID", 4, 4, 0, true, false, nullptr},
        {"氏名", 10, 100, 50, false, true, "社員の氏名"},
        {"部署コード", 3, 2, 0, false, false, nullptr},
        {"入社日", 8, 8, 0, false, false, nullptr},
        {"給与", 5, 8, 0, false, false, "月額"},
        {"在籍", 1, 1, 0, false, false, nullptr},
        {"備考", 12, 0, 0, false, true, "一行目\r\n二行目"},
        {"写真", 11, 0, 0, false, false, nullptr},
        {"評価", 6, 4, 0, false, false, nullptr},
        {"比率", 7, 8, 0, false, false, nullptr},
        {"区分", 2, 1, 0, false, false, nullptr},
        {"コード", 9, 8, 0, false, false, nullptr},
    };
    ASSERT_EQ(t->columns().size(), std::size(want));
    for (size_t i = 0; i < std::size(want); ++i) {
        const jet::Column& c = t->columns()[i];
        SCOPED_TRACE(want[i].name);
        EXPECT_EQ(c.name, want[i].name);
        EXPECT_EQ(c.type, want[i].type);
        EXPECT_EQ(c.length, want[i].length);
        EXPECT_EQ(c.charLength, want[i].chars);
        EXPECT_EQ(c.isAutoNumber(), want[i].autoNumber);
        if (c.type == 10 || c.type == 12) {
            EXPECT_EQ(c.isCompressedUnicode(), want[i].compressed);
        }
        EXPECT_EQ(c.description(), want[i].description ? want[i].description : "");
        EXPECT_EQ(c.displayIndex, i);
    }
    EXPECT_EQ(t->rowCount(), 42u);
    ASSERT_EQ(t->indexes().size(), 1u);
    const jet::Index& pk = t->indexes()[0];
    EXPECT_EQ(pk.name, "PrimaryKey");
    EXPECT_TRUE(pk.primary);
    EXPECT_TRUE(pk.unique);
    ASSERT_EQ(pk.columns.size(), 1u);
    EXPECT_EQ(pk.columns[0].column, 0u);
    EXPECT_TRUE(pk.columns[0].ascending);
    // Lookup by name ignores case; the table object is cached.
    auto again = db->table("社員");
    ASSERT_TRUE(again);
    EXPECT_EQ(again->get(), t.get());
    EXPECT_NE(t->findColumn("id"), nullptr);
}

TEST_P(Manifest, EmployeeValuesFollowTheRules) {
    auto t = openTable(*db, "社員");
    ASSERT_TRUE(t);
    jet::Cursor cur(t);
    int i = 0;
    while (cur.next()) {
        ++i;
        SCOPED_TRACE("row " + std::to_string(i));
        ASSERT_LE(i, 42);
        // ID
        EXPECT_EQ(cur.value(0).kind(), jet::ValueKind::Int32);
        EXPECT_EQ(cur.value(0).asInt(), i);
        // 氏名
        jet::Value name = cur.value(1);
        if (i == 20 || i == 37) {
            EXPECT_TRUE(name.isNull());
        } else {
            std::string want = std::string(kSurnames[(i - 1) % 10]) + "\u3000" + kGiven[(i - 1) % 7];
            if (i == 13) want = "";
            if (i == 41) want = "\U00020BB7\u7530\u3000\u592A\u90CE";
            if (i == 42) want = "\uFF94\uFF8F\uFF80\uFF9E \uFF80\uFF9B\uFF73";
            ASSERT_EQ(name.kind(), jet::ValueKind::Text);
            EXPECT_EQ(name.asText(), want);
        }
        // 部署コード
        jet::Value dept = cur.value(2);
        if (i == 5 || i == 30) {
            EXPECT_TRUE(dept.isNull());
        }
        else {
            int want = 100 + 10 * ((i * 7) % 5);
            if (i == 39) want = 32767;
            if (i == 40) want = -32768;
            EXPECT_EQ(dept.kind(), jet::ValueKind::Int16);
            EXPECT_EQ(dept.asInt(), want);
        }
        // 入社日
        jet::Value hired = cur.value(3);
        if (i == 7 || i == 28) {
            EXPECT_TRUE(hired.isNull());
        }
        else {
            std::string want = dateText(ymd(2000, 4, 1) + std::chrono::days(53 * (i - 1)));
            if (i == 3) want = "2001-02-03 13:45:30";
            if (i == 4) want = "1899-12-30 00:00:00";
            if (i == 6) want = "1899-12-29 06:00:00";
            if (i == 42) want = "2099-12-31 23:59:59";
            EXPECT_EQ(hired.kind(), jet::ValueKind::DateTime);
            EXPECT_EQ(jet::csv::valueText(hired), want);
            if (i == 6) {
                EXPECT_EQ(hired.asDouble(), -1.25);
            }
        }
        // 給与
        jet::Value pay = cur.value(4);
        if (i == 9 || i == 33) {
            EXPECT_TRUE(pay.isNull());
        }
        else {
            long long want = 1800000000LL + 25002500LL * i;
            if (i == 10) want = 0;
            if (i == 11) want = -12345678;
            if (i == 12) want = 9223372036854775807LL;
            if (i == 14) want = -9223372036854775807LL - 1;
            EXPECT_EQ(pay.kind(), jet::ValueKind::Currency);
            EXPECT_EQ(pay.asInt(), want);
            EXPECT_EQ(jet::csv::valueText(pay), money(want));
        }
        // 在籍 lives in the null mask
        EXPECT_EQ(cur.value(5).kind(), jet::ValueKind::Boolean);
        EXPECT_EQ(cur.value(5).asBool(), (i % 3) != 0);
        // 備考
        jet::Value memo = cur.value(6);
        if (i == 2 || i == 17 || i == 29) {
            EXPECT_TRUE(memo.isNull());
        }
        else {
            std::string want = "第" + std::to_string(i) + "行の備考です。";
            if (i == 1) want = "ASCII only memo for row 1";
            if (i == 8) want = repeat("あいうえおかきくけこ", 450);
            if (i == 9) want = repeat("ABCDEFGHIJ", 700);
            if (i == 10) want = "一行目\r\n二行目\r\n三行目";
            if (i == 15) want = "";
            ASSERT_EQ(memo.kind(), jet::ValueKind::Text);
            EXPECT_EQ(memo.asText(), want);
        }
        // 写真
        jet::Value ole = cur.value(7);
        if (i == 11 || i == 22) {
            EXPECT_TRUE(ole.isNull());
        }
        else {
            size_t len = i == 21 ? 10000 : size_t(16 + 10 * i);
            ASSERT_EQ(ole.kind(), jet::ValueKind::Binary);
            ASSERT_EQ(ole.asBytes().size(), len);
            bool same = true;
            for (size_t k = 0; k < len; ++k)
                if (uint8_t(ole.asBytes()[k]) != uint8_t((i * 31 + int(k) * 7) & 0xFF)) same = false;
            EXPECT_TRUE(same);
        }
        // 評価 (Single)
        jet::Value score = cur.value(8);
        if (i == 13 || i == 26) {
            EXPECT_TRUE(score.isNull());
        }
        else {
            float want = float(i % 11) * 0.5f;
            if (i == 23) {
                uint32_t bits = 0x3F8CCCCD;
                std::memcpy(&want, &bits, 4);
            }
            if (i == 25) want = -0.75f;
            EXPECT_EQ(score.kind(), jet::ValueKind::Float);
            EXPECT_EQ(score.asFloat(), want);
        }
        if (i == 23) {
            EXPECT_EQ(jet::csv::valueText(score), "1.1");
        }
        // 比率 (Double)
        jet::Value ratio = cur.value(9);
        if (i == 18 || i == 38) {
            EXPECT_TRUE(ratio.isNull());
        }
        else {
            double want = i / 8.0;
            if (i == 15) want = 1.0 / 3.0;
            if (i == 16) want = -2.5e-10;
            EXPECT_EQ(ratio.kind(), jet::ValueKind::Double);
            EXPECT_EQ(ratio.asDouble(), want);
        }
        if (i == 15) {
            EXPECT_EQ(jet::csv::valueText(ratio), "0.3333333333333333");
        }
        // 区分 (Byte, unsigned)
        jet::Value cls = cur.value(10);
        if (i == 21 || i == 41) {
            EXPECT_TRUE(cls.isNull());
        }
        else {
            int want = (i % 4) + 1;
            if (i == 19) want = 0;
            if (i == 20) want = 255;
            EXPECT_EQ(cls.kind(), jet::ValueKind::Byte);
            EXPECT_EQ(cls.asInt(), want);
        }
        // コード (Binary, variable)
        jet::Value code = cur.value(11);
        if (i == 23 || i == 39) {
            EXPECT_TRUE(code.isNull());
        }
        else {
            std::string want;
            char buf[4];
            for (int k = 0; k < 8; ++k) {
                std::snprintf(buf, sizeof buf, "%02x", (i * 16 + k) & 0xFF);
                want += buf;
            }
            if (i == 24) want = "00ff7f";
            EXPECT_EQ(jet::csv::valueText(code), want);
        }
        EXPECT_TRUE(cur.rowErrors().empty());
    }
    EXPECT_EQ(i, 42);
    EXPECT_FALSE(cur.error());
}

TEST_P(Manifest, OrdersInPhysicalOrderAndFirstIndexIsNotThePrimaryKey) {
    auto t = openTable(*db, "orders");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->indexes().size(), 2u);
    EXPECT_EQ(t->indexes()[0].name, "AAA_CustomerIdx");
    EXPECT_FALSE(t->indexes()[0].primary);
    EXPECT_FALSE(t->indexes()[0].unique);
    ASSERT_EQ(t->indexes()[0].columns.size(), 1u);
    EXPECT_EQ(t->columns()[t->indexes()[0].columns[0].column].name, "Customer");
    EXPECT_EQ(t->indexes()[1].name, "PrimaryKey");
    EXPECT_TRUE(t->indexes()[1].primary);
    EXPECT_EQ(t->columns()[t->indexes()[1].columns[0].column].name, "OrderNo");

    Rows rows = readAll(t);
    ASSERT_EQ(rows.size(), 100u);
    for (int j = 0; j < 100; ++j) {
        SCOPED_TRACE(j);
        EXPECT_EQ(rows[j][0], std::to_string(10000 + (j * 37) % 100));
        EXPECT_EQ(rows[j][1], kCustomers[j % 8]);
        char amount[32];
        std::snprintf(amount, sizeof amount, "%g", j * 12.5 + 0.25);
        EXPECT_EQ(rows[j][2], amount);
        EXPECT_EQ(rows[j][3], dateText(ymd(2024, 1, 1) + std::chrono::days(j), j % 24, (j * 7) % 60));
    }
}

TEST_P(Manifest, Big5000HasEveryRow) {
    auto t = openTable(*db, "Big5000");
    ASSERT_TRUE(t);
    EXPECT_EQ(t->rowCount(), 5000u);
    jet::Cursor cur(t, {1, 0});  // a subset, in the caller's order
    int n = 0;
    char s[16];
    while (cur.next()) {
        ++n;
        std::snprintf(s, sizeof s, "S%05d", n);
        ASSERT_EQ(cur.value(0).asText(), s);
        ASSERT_EQ(cur.value(1).asInt(), n);
    }
    EXPECT_EQ(n, 5000);
    // Positions re-read the same rows.
    cur.rewind();
    std::vector<jet::RowPosition> pos;
    while (cur.next()) pos.push_back(cur.position());
    ASSERT_EQ(pos.size(), 5000u);
    ASSERT_TRUE(cur.seek(pos[4321]));
    EXPECT_EQ(cur.value(1).asInt(), 4322);
    ASSERT_TRUE(cur.next());  // the scan goes on after the row sought
    EXPECT_EQ(cur.value(1).asInt(), 4323);
    jet::Cursor fresh(t);
    ASSERT_TRUE(fresh.seek(pos[0]));
    ASSERT_TRUE(fresh.next());
    EXPECT_EQ(fresh.value(0).asInt(), 2);
    EXPECT_FALSE(fresh.seek(jet::RowPosition{pos[0].page, 999}));
    EXPECT_FALSE(fresh.rowErrors().empty());
    EXPECT_EQ(jet::RowPosition::unpack(pos[17].packed()), pos[17]);
}

TEST_P(Manifest, Wide46DescriptionsAndValues) {
    auto t = openTable(*db, "Wide46");
    ASSERT_TRUE(t);
    ASSERT_EQ(t->columns().size(), 46u);
    const int types[] = {10, 4, 7, 8, 1, 12};
    for (int k = 1; k <= 46; ++k) {
        char name[8];
        std::snprintf(name, sizeof name, "F%02d", k);
        EXPECT_EQ(t->columns()[k - 1].name, name);
        EXPECT_EQ(t->columns()[k - 1].type, types[(k - 1) % 6]);
        EXPECT_EQ(t->columns()[k - 1].description(), std::string("説明 ") + name);
    }
    Rows rows = readAll(t);
    ASSERT_EQ(rows.size(), 3u);
    for (int r = 1; r <= 3; ++r) {
        for (int k = 1; k <= 46; ++k) {
            char buf[64];
            std::string want;
            switch (types[(k - 1) % 6]) {
            case 10: want = "r" + std::to_string(r) + "c" + std::to_string(k); break;
            case 4: want = std::to_string(r * 1000 + k); break;
            case 7: std::snprintf(buf, sizeof buf, "%g", r * 10 + k * 0.25); want = buf; break;
            case 8: want = dateText(ymd(2022, 1, 1) + std::chrono::days(r + k / 24), k % 24); break;
            case 1: want = (r + k) % 2 == 0 ? "1" : "0"; break;
            case 12: std::snprintf(buf, sizeof buf, "メモ R%d F%02d", r, k); want = buf; break;
            }
            EXPECT_EQ(rows[r - 1][k - 1], want) << "r" << r << " k" << k;
        }
    }
}

TEST_P(Manifest, EmptyTablesHaveColumnsButNoRows) {
    for (const char* name : {"Empty Table", "Zero"}) {
        auto t = openTable(*db, name);
        ASSERT_TRUE(t);
        EXPECT_EQ(t->rowCount(), 0u);
        EXPECT_FALSE(t->columns().empty());
        EXPECT_TRUE(readAll(t).empty());
    }
}

INSTANTIATE_TEST_SUITE_P(Formats, Manifest,
                         ::testing::Values("jp_sample.mdb", "jp_sample_2003.mdb", "jp_sample_2007.accdb"));

}  // namespace
