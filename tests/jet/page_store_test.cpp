// Page access: RC4-encoded pages, a tiny cache under a scan that holds pages across evictions.
#include "jet/page_store.h"
#include "test_util.h"

using namespace jet_test;

namespace {

TEST(PageStore, PagesEncodedWithTheDatabaseKeyReadTheSame) {
    auto plain = readFile(dataPath("jp_sample.mdb"));
    auto enc = plain;
    const size_t page = 4096;
    // Set the database key inside the masked header region.
    std::span<std::byte> header(enc.data() + 0x18, 128);
    const uint8_t headerKey[4] = {0xC7, 0xDA, 0x39, 0x6B};
    jet::detail::rc4(headerKey, header);
    const uint32_t dbKey = 0x1234ABCDu;
    for (int i = 0; i < 4; ++i) enc[0x3E + size_t(i)] = std::byte(uint8_t(dbKey >> (8 * i)));
    jet::detail::rc4(headerKey, header);
    for (size_t p = 1; p < enc.size() / page; ++p) {
        uint32_t k = dbKey ^ uint32_t(p);
        const uint8_t key[4] = {uint8_t(k), uint8_t(k >> 8), uint8_t(k >> 16), uint8_t(k >> 24)};
        jet::detail::rc4(key, std::span<std::byte>(enc.data() + p * page, page));
    }
    auto a = jet::Database::openBuffer(plain);
    auto b = jet::Database::openBuffer(enc);
    ASSERT_TRUE(a);
    ASSERT_TRUE(b) << b.error().describe();
    for (const char* name : {"社員", "Orders", "Wide46"}) {
        auto ta = (*a)->table(name);
        auto tb = (*b)->table(name);
        ASSERT_TRUE(ta && tb) << name;
        EXPECT_EQ(readAll(*ta), readAll(*tb)) << name;
        EXPECT_EQ((*tb)->columns()[0].description(), (*ta)->columns()[0].description());
    }
}

TEST(PageStore, TinyCacheGivesTheSameRows) {
    jet::OpenOptions small;
    small.cachePages = 1;  // a few chunks only: memo chains and rows evict each other
    auto a = jet::Database::open(dataPath("jp_sample_2003.mdb"));
    auto b = jet::Database::open(dataPath("jp_sample_2003.mdb"), small);
    ASSERT_TRUE(a && b);
    for (const char* name : {"社員", "Big5000"}) {
        auto ta = (*a)->table(name);
        auto tb = (*b)->table(name);
        ASSERT_TRUE(ta && tb);
        EXPECT_EQ(readAll(*ta), readAll(*tb));
    }
    // Two cursors at once over the same small cache.
    auto t = (*b)->table("Big5000");
    jet::Cursor c1(*t), c2(*t);
    int n = 0;
    while (c1.next() && c2.next() && c2.next()) {
        ++n;
        ASSERT_EQ(c1.value(0).asInt(), n);
        ASSERT_EQ(c2.value(0).asInt(), 2 * n);
    }
    EXPECT_EQ(n, 2500);
}

TEST(PageStore, PageNumbersAreCheckedAgainstTheFile) {
    auto bytes = readFile(dataPath("jp_sample.mdb"));
    jet::detail::PageStore store(jet::detail::makeBufferSource(bytes), 4096, 64);
    EXPECT_EQ(store.pageCount(), bytes.size() / 4096);
    EXPECT_TRUE(store.page(store.pageCount() - 1));
    auto beyond = store.page(store.pageCount());
    ASSERT_FALSE(beyond);
    EXPECT_EQ(beyond.error().page, int64_t(store.pageCount()));
    EXPECT_FALSE(store.page(0xFFFFFFFFu));
}

}  // namespace
