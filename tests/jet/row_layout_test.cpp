// Row layouts: rows written before a column was added (no variable-length section, fewer
// columns than the definition), Yes/No columns added later, the offset tables of Jet 4 rows and
// the jump table of Jet 3 rows longer than 256 bytes.
#include "jet/core.h"
#include "test_util.h"

using namespace jet_test;

namespace {

using jet::detail::Format;
using jet::detail::RowLayout;
using jet::detail::splitRow;

constexpr uint16_t kNoVariableColumn = 0xFFFF;

Format jet4() { return Format::forVersion(jet::Version::Jet4); }
Format jet3() { return Format::forVersion(jet::Version::Jet3); }

jet::Result<RowLayout> split(const Format& f, const std::vector<std::byte>& row, uint16_t firstVar,
                             std::vector<uint16_t>& offsets) {
    return splitRow(f, std::span<const std::byte>(row.data(), row.size()), firstVar, offsets);
}

// --- Jet 4 rows built byte by byte -------------------------------------------------------------

// A Long (7) and a Text column "ab": count, fixed, data, eod, offset of column 0, var_len, mask.
std::vector<std::byte> jet4RowWithText(int eod = 8, int offset0 = 6) {
    return byteVector({0x02, 0x00, 0x07, 0x00, 0x00, 0x00, 'a', 'b', eod, 0x00, offset0, 0x00, 0x01, 0x00, 0x03});
}

TEST(SplitRowJet4, ARowWhoseCountCoversNoVariableColumnHasNoVariableSection) {
    // Count 1, the Long, mask: written when the table had only its fixed column.
    const auto row = byteVector({0x01, 0x00, 0x07, 0x00, 0x00, 0x00, 0x01});
    std::vector<uint16_t> offsets{99};
    auto l = split(jet4(), row, /*first variable column*/ 1, offsets);
    ASSERT_TRUE(l) << l.error().describe();
    EXPECT_EQ(l->numCols, 1);
    EXPECT_EQ(l->fixedStart, 2u);
    EXPECT_EQ(l->fixedEnd, 6u);
    EXPECT_EQ(l->nullMask, 6u);
    EXPECT_EQ(l->varCount, 0);
    EXPECT_TRUE(offsets.empty());
    // A table without any variable column: the same, whatever the count.
    auto none = split(jet4(), row, kNoVariableColumn, offsets);
    ASSERT_TRUE(none);
    EXPECT_EQ(none->fixedEnd, 6u);
}

TEST(SplitRowJet4, ACountReachingTheFirstVariableColumnHasTheSection) {
    const auto row = jet4RowWithText();
    std::vector<uint16_t> offsets;
    auto l = split(jet4(), row, 1, offsets);
    ASSERT_TRUE(l) << l.error().describe();
    EXPECT_EQ(l->numCols, 2);
    EXPECT_EQ(l->varCount, 1);
    EXPECT_EQ(offsets, (std::vector<uint16_t>{6, 8}));
    EXPECT_EQ(l->fixedEnd, 6u);
    EXPECT_EQ(l->nullMask, row.size() - 1);
    // The first variable column numbered 2: count 2 does not reach it, the bytes are all fixed.
    auto before = split(jet4(), row, 2, offsets);
    ASSERT_TRUE(before);
    EXPECT_EQ(before->varCount, 0);
    EXPECT_EQ(before->fixedEnd, row.size() - 1);
}

TEST(SplitRowJet4, OffsetsAreCheckedAtBothEndsOfTheData) {
    std::vector<uint16_t> offsets;
    // The data ends at 8, where the offset table begins: 8 is the last end allowed.
    EXPECT_TRUE(split(jet4(), jet4RowWithText(8, 6), 1, offsets));
    EXPECT_FALSE(split(jet4(), jet4RowWithText(9, 6), 1, offsets));
    // An offset may point right after the column count, not into it.
    EXPECT_TRUE(split(jet4(), jet4RowWithText(8, 2), 1, offsets));
    auto bad = split(jet4(), jet4RowWithText(8, 1), 1, offsets);
    ASSERT_FALSE(bad);
    EXPECT_NE(bad.error().message.find("offset outside the row"), std::string::npos);
}

TEST(SplitRowJet4, NullMaskSizeFollowsTheColumnCount) {
    // 8 columns: one mask byte; 9 columns: two. A row with only the count and a mask byte.
    std::vector<uint16_t> offsets;
    auto eight = split(jet4(), byteVector({0x08, 0x00, 0xFF}), kNoVariableColumn, offsets);
    ASSERT_TRUE(eight);
    EXPECT_EQ(eight->nullMask, 2u);
    auto nine = split(jet4(), byteVector({0x09, 0x00, 0xFF, 0x01}), kNoVariableColumn, offsets);
    ASSERT_TRUE(nine);
    EXPECT_EQ(nine->nullMask, 2u);
    EXPECT_FALSE(split(jet4(), byteVector({0x09, 0x00, 0xFF}), kNoVariableColumn, offsets));
    EXPECT_FALSE(split(jet4(), byteVector({0x01}), kNoVariableColumn, offsets));
}

// --- Jet 3 rows and the jump table -------------------------------------------------------------

// A Jet 3 row as Access lays it out: count, fixed bytes, variable data, then (stored backwards)
// eod and the offsets, the jump table, var_len and the null mask. The jump table has
// (row length - 1) / 256 entries: for each 256 bytes, the first offset entry (eod counts as
// the last) at or beyond that boundary, or 0xFF when there is none.
struct Jet3Row {
    std::vector<std::byte> bytes;
    std::vector<uint16_t> offsets;  // of each variable column, then eod
};

Jet3Row buildJet3Row(int columns, size_t fixedBytes, const std::vector<size_t>& varLengths) {
    Jet3Row r;
    const size_t mask = (size_t(columns) + 7) / 8;
    size_t at = 1 + fixedBytes;
    for (size_t len : varLengths) {
        r.offsets.push_back(uint16_t(at));
        at += len;
    }
    r.offsets.push_back(uint16_t(at));  // eod
    const size_t base = at + r.offsets.size() + 1 + mask;
    size_t jumps = 0;
    while ((base + jumps - 1) / 256 != jumps) ++jumps;
    const size_t length = base + jumps;
    r.bytes.assign(length, std::byte{0});
    r.bytes[0] = std::byte(uint8_t(columns));
    for (size_t i = 1; i < at; ++i) r.bytes[i] = std::byte(uint8_t('a' + i % 26));
    // Offsets backwards from just before the jump table, low byte only.
    const size_t colPtr = length - mask - jumps - 2;
    for (size_t i = 0; i < r.offsets.size(); ++i) r.bytes[colPtr - i] = std::byte(uint8_t(r.offsets[i] & 0xFF));
    for (size_t k = 1; k <= jumps; ++k) {
        uint8_t entry = 0xFF;
        for (size_t i = 0; i < r.offsets.size(); ++i)
            if (r.offsets[i] >= 256 * k) {
                entry = uint8_t(i);
                break;
            }
        r.bytes[length - mask - 1 - k] = std::byte(entry);
    }
    r.bytes[length - mask - 1] = std::byte(uint8_t(varLengths.size()));
    for (size_t i = 0; i < mask; ++i) r.bytes[length - mask + i] = std::byte{0xFF};
    return r;
}

struct JumpCase {
    const char* name;
    int columns;
    size_t fixedBytes;
    std::vector<size_t> varLengths;
    size_t length;  // the row length the layout must come to
};

void PrintTo(const JumpCase& c, std::ostream* os) { *os << c.name; }

class Jet3JumpTable : public ::testing::TestWithParam<JumpCase> {};

TEST_P(Jet3JumpTable, OffsetsComeBackAsStored) {
    const JumpCase& c = GetParam();
    const Jet3Row r = buildJet3Row(c.columns, c.fixedBytes, c.varLengths);
    ASSERT_EQ(r.bytes.size(), c.length) << "the case does not build the row it names";
    std::vector<uint16_t> offsets;
    auto l = split(jet3(), r.bytes, 1, offsets);
    ASSERT_TRUE(l) << l.error().describe();
    EXPECT_EQ(offsets, r.offsets);
    EXPECT_EQ(l->varCount, c.varLengths.size());
    EXPECT_EQ(l->fixedEnd, 1 + c.fixedBytes);
}

INSTANTIATE_TEST_SUITE_P(
    Rows, Jet3JumpTable,
    ::testing::Values(
        // Up to 256 bytes there is no jump table.
        JumpCase{"length255", 2, 4, {246}, 255},
        JumpCase{"length256", 2, 4, {247}, 256},
        // One entry from 257 bytes on (no row comes to 257 exactly); it is a dummy (0xFF) while
        // no offset, eod included, reaches 256.
        JumpCase{"length258", 2, 4, {248}, 258},
        JumpCase{"dummyEntry", 255, 4, {218}, 259},
        // eod, or a column, exactly at 256 or just before it.
        JumpCase{"eodAt256", 2, 4, {251}, 261},
        JumpCase{"eodAt255", 2, 4, {250}, 260},
        JumpCase{"columnAt256", 3, 4, {251, 20}, 282},
        JumpCase{"columnAt255", 3, 4, {250, 20}, 281},
        // Exactly 512 bytes: one entry; past it two, the second a dummy.
        JumpCase{"length512", 3, 4, {300, 201}, 512},
        JumpCase{"length514", 3, 4, {300, 202}, 514},
        // Every offset past 512: both entries point at the first column.
        JumpCase{"allPast512", 3, 600, {10, 10}, 628}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(SplitRowJet3, ARowWhoseCountCoversNoVariableColumnHasNoVariableSection) {
    const auto row = byteVector({0x01, 0x07, 0x00, 0x00, 0x00, 0x01});
    std::vector<uint16_t> offsets;
    auto l = split(jet3(), row, 1, offsets);
    ASSERT_TRUE(l) << l.error().describe();
    EXPECT_EQ(l->fixedStart, 1u);
    EXPECT_EQ(l->fixedEnd, 5u);
    EXPECT_EQ(l->varCount, 0);
}

// --- A real table whose Text column was added after rows were written ---------------------------

// jp_sample.mdb's Big5000 (n Long, s Text, d Double, t Date; every value present) remade as a
// table whose Text column came last: s takes the highest column number, and the last rows of
// the first data page are rewritten the way Access wrote them before s existed: column count,
// fixed data, null mask and no variable-length section.
class AlteredTable : public ::testing::Test {
protected:
    static constexpr size_t kPage = 4096;
    struct Layout {
        uint16_t columns;   // the row's own column count
        size_t fixedBytes;  // n, d, t: 4 + 8 + 8
        uint8_t mask;       // bits by the new numbers: n 0, d 1, t 2
    };

    void SetUp() override {
        file = readFile(dataPath("jp_sample.mdb"));
        auto db = openBytes(file);
        ASSERT_TRUE(db);
        tdef = db->findTable("Big5000")->tdefPage;
        before = readAll(*db->table("Big5000"));
        ASSERT_EQ(before.size(), 5000u);
        const uint16_t numbers[4] = {0, 3, 1, 2};  // display order n, s, d, t
        for (size_t i = 0; i < 4; ++i) storeLe16(file, columnEntry(i) + 5, numbers[i]);
    }
    size_t columnEntry(size_t i) const {
        const size_t t = size_t(tdef) * kPage;
        return t + 63 + size_t(loadLe32(file, t + 51)) * 12 + 25 * i;
    }
    // Rewrites the last rows of the first data page; returns their places in table order.
    std::vector<size_t> rewriteLastRows(const std::vector<Layout>& layouts) {
        const size_t base = dataPagesOf(file, kPage, tdef).front() * kPage;
        const uint16_t slots = loadLe16(file, base + 12);
        const size_t first = slots - layouts.size();
        std::vector<size_t> places;
        for (size_t k = 0; k < layouts.size(); ++k) {
            const size_t slot = first + k;
            const uint16_t raw = loadLe16(file, base + 14 + 2 * slot);
            const size_t start = raw & 0x1FFF;
            const size_t end = slot == 0 ? kPage : loadLe16(file, base + 14 + 2 * (slot - 1)) & 0x1FFF;
            std::vector<std::byte> row = byteVector({layouts[k].columns & 0xFF, layouts[k].columns >> 8});
            for (size_t b = 0; b < layouts[k].fixedBytes; ++b) row.push_back(file[base + start + 2 + b]);
            row.push_back(std::byte(layouts[k].mask));
            const size_t newStart = end - row.size();
            std::copy(row.begin(), row.end(), file.begin() + ptrdiff_t(base + newStart));
            storeLe16(file, base + 14 + 2 * slot, uint16_t((raw & 0xE000) | newStart));
            places.push_back(slot);  // the first page holds the first rows, no row deleted
        }
        return places;
    }
    Rows readWithoutLoss() {
        auto db = openBytes(file);
        return db ? readAll(openTable(*db, "Big5000")) : Rows{};
    }
    std::vector<std::byte> file;
    uint32_t tdef = 0;
    Rows before;
};

TEST_F(AlteredTable, RowsWithoutAVariableSectionReadWhole) {
    const auto places = rewriteLastRows({{3, 20, 0x07}, {3, 20, 0x05}, {1, 4, 0x01}, {3, 20, 0x07}});
    const Rows rows = readWithoutLoss();
    ASSERT_EQ(rows.size(), 5000u);
    const Cell none;
    // n, s, d, t: s was not there; the second row's d was Null; the third held only n.
    const auto& b0 = before[places[0]];
    EXPECT_EQ(rows[places[0]], (std::vector<Cell>{b0[0], none, b0[2], b0[3]}));
    const auto& b1 = before[places[1]];
    EXPECT_EQ(rows[places[1]], (std::vector<Cell>{b1[0], none, none, b1[3]}));
    EXPECT_EQ(rows[places[2]], (std::vector<Cell>{before[places[2]][0], none, none, none}));
    const auto& b3 = before[places[3]];
    EXPECT_EQ(rows[places[3]], (std::vector<Cell>{b3[0], none, b3[2], b3[3]}));
    // Rows around them keep every value, the Text column included.
    EXPECT_EQ(rows[places[0] - 1], before[places[0] - 1]);
    EXPECT_EQ(rows.back(), before.back());
}

TEST_F(AlteredTable, AYesNoColumnAddedLaterReadsNoNeverNull) {
    file[columnEntry(3)] = std::byte{0x01};  // t becomes Yes/No
    const auto places = rewriteLastRows({{3, 20, 0x07}, {3, 20, 0x03}, {2, 12, 0x03}, {1, 4, 0x01}});
    const Rows rows = readWithoutLoss();
    ASSERT_EQ(rows.size(), 5000u);
    EXPECT_EQ(rows[places[0]][3], Cell("1"));
    EXPECT_EQ(rows[places[1]][3], Cell("0"));
    EXPECT_EQ(rows[places[2]][3], Cell("0"));  // the row ends before the column: No
    EXPECT_EQ(rows[places[3]][3], Cell("0"));
    EXPECT_EQ(rows[places[3]][2], Cell());     // a Double the row does not hold is Null
    EXPECT_EQ(rows.front()[3], Cell("1"));
    // The export's own fast path says the same.
    auto db = openBytes(file);
    ASSERT_TRUE(db);
    std::FILE* f = std::tmpfile();
    auto stats = jet::csv::writeTable(*db->table("Big5000"), f);
    ASSERT_TRUE(stats);
    EXPECT_EQ(stats->unreadableRows, 0u);
    std::rewind(f);
    std::string out;
    char buf[65536];
    for (size_t n; (n = std::fread(buf, 1, sizeof buf, f)) > 0;) out.append(buf, n);
    std::fclose(f);
    const std::string n3 = *before[places[3]][0];
    EXPECT_NE(out.find("\r\n" + n3 + ",,,0\r\n"), std::string::npos);
    const std::string n2 = *before[places[2]][0];
    EXPECT_NE(out.find("\r\n" + n2 + ",," + *before[places[2]][2] + ",0\r\n"), std::string::npos);
}

}  // namespace
