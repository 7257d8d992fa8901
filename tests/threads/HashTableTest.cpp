#include "threads/VolSysSimpleHashTable.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <unordered_set>
#include <vector>

namespace {

// Items are pointers into a fixed array, so they stay valid for the whole test.
struct Items {
    explicit Items(int n) : values(static_cast<std::size_t>(n)) {
        for (int i = 0; i < n; ++i) values[static_cast<std::size_t>(i)] = i;
    }
    void* operator[](int i) { return &values[static_cast<std::size_t>(i)]; }
    std::vector<int> values;
};

std::vector<void*> PoolOrder(const VolSysSimpleHashTable& table) {
    std::vector<void*> order;
    for (void* item = table.Next(nullptr); item; item = table.Next(item)) order.push_back(item);
    return order;
}

std::vector<void*> IndexOrder(const VolSysSimpleHashTable& table) {
    std::vector<void*> order;
    for (int i = 0; i < table.Size(); ++i) order.push_back(table.Get(i));
    return order;
}

// Hash and equality on the int value, so that equal items may be distinct pointers.
unsigned HashByTens(void* item) {
    return static_cast<unsigned>(*static_cast<int*>(item) / 10);
}
int SameValue(void* a, void* b) {
    return *static_cast<int*>(a) == *static_cast<int*>(b) ? 1 : 0;
}

TEST(VolSysSimpleHashTable, UpToNiceModuloSkipsMultiplesOfSmallPrimes) {
    const std::pair<int, int> cases[] = {{0, 0},     {1, 1},     {2, 2},       {3, 3},       {4, 5},      {19, 19},
                                         {20, 23},   {22, 23},   {24, 29},     {36, 37},     {100, 101},  {121, 127},
                                         {361, 367}, {529, 529}, {1000, 1009}, {1003, 1009}, {1147, 1147}};
    for (const auto& [n, expected] : cases) EXPECT_EQ(expected, VolSysSimpleHashTable::UpToNiceModulo(n)) << n;
}

TEST(VolSysSimpleHashTable, ConstructionSizeGivesChainCount) {
    const std::pair<int, int> cases[] = {{0, 11}, {-5, 11}, {10, 11}, {11, 11}, {12, 13}, {100, 101}};
    for (const auto& [size, chains] : cases) {
        VolSysSimpleHashTable table(size);
        EXPECT_EQ(chains, table.ChainCount()) << size;
        EXPECT_EQ(0, table.Size());
        EXPECT_EQ(nullptr, table.Next(nullptr));
    }
}

TEST(VolSysSimpleHashTable, GrowsFrom11To23KeepingInsertionOrder) {
    Items items(12);
    VolSysSimpleHashTable table;
    std::vector<void*> inserted;
    for (int i = 0; i < 11; ++i) {
        ASSERT_EQ(1, table.Insert(items[i]));
        inserted.push_back(items[i]);
    }
    EXPECT_EQ(11, table.ChainCount());
    ASSERT_EQ(1, table.Insert(items[11]));
    inserted.push_back(items[11]);
    EXPECT_EQ(23, table.ChainCount());
    EXPECT_EQ(12, table.Size());
    EXPECT_EQ(inserted, PoolOrder(table));
    EXPECT_EQ(inserted, IndexOrder(table));
    for (void* item : inserted) EXPECT_EQ(item, table.Locate(item));
}

TEST(VolSysSimpleHashTable, EqualItemIsNotInsertedTwice) {
    int stored = 42;
    int equal = 42;
    VolSysSimpleHashTable table(0, HashByTens, SameValue);
    EXPECT_EQ(&stored, table.InsertAndReturn(&stored));
    EXPECT_EQ(&stored, table.InsertAndReturn(&equal));
    EXPECT_EQ(0, table.Insert(&equal));
    EXPECT_EQ(1, table.Size());
    EXPECT_EQ(&stored, table.Locate(&equal));
    ASSERT_NE(nullptr, table.LocateBucket(&equal));
    EXPECT_EQ(&stored, table.LocateBucket(&equal)->item);
}

TEST(VolSysSimpleHashTable, RemoveMovesTheLastItemIntoTheGap) {
    Items items(3);
    VolSysSimpleHashTable table;
    for (int i = 0; i < 3; ++i) table.Insert(items[i]);
    EXPECT_EQ(items[0], table.Remove(items[0]));
    EXPECT_EQ((std::vector<void*>{items[2], items[1]}), PoolOrder(table));
    EXPECT_EQ((std::vector<void*>{items[2], items[1]}), IndexOrder(table));
    EXPECT_EQ(nullptr, table.Locate(items[0]));
    EXPECT_EQ(nullptr, table.Remove(items[0]));
    EXPECT_EQ(items[1], table.Remove(items[1]));  // the last one: nothing moves
    EXPECT_EQ(std::vector<void*>{items[2]}, PoolOrder(table));
    EXPECT_EQ(nullptr, table.Remove(items[1]));  // one item left, not this one
    EXPECT_EQ(items[2], table.Remove(items[2]));
    EXPECT_EQ(0, table.Size());
    EXPECT_EQ(nullptr, table.Remove(items[2]));
}

TEST(VolSysSimpleHashTable, RemoveReturnsTheStoredEqualItem) {
    int stored = 7;
    int probe = 7;
    VolSysSimpleHashTable table(0, HashByTens, SameValue);
    table.Insert(&stored);
    EXPECT_EQ(&stored, table.Remove(&probe));
    EXPECT_EQ(0, table.Size());
}

TEST(VolSysSimpleHashTable, ShrinksFrom101To37WhenCountFallsTo33) {
    Items items(34);
    VolSysSimpleHashTable table(100);
    ASSERT_EQ(101, table.ChainCount());
    for (int i = 0; i < 34; ++i) table.Insert(items[i]);
    std::vector<void*> before = PoolOrder(table);
    table.Remove(items[33]);  // 33 x 3 < 101
    EXPECT_EQ(37, table.ChainCount());
    before.pop_back();
    EXPECT_EQ(before, PoolOrder(table));
    for (int i = 0; i < 33; ++i) EXPECT_EQ(items[i], table.Locate(items[i]));
}

TEST(VolSysSimpleHashTable, ShrinksOnlyWhileMoreThanElevenItemsRemain) {
    Items items(13);
    VolSysSimpleHashTable twelveLeft(200);
    ASSERT_EQ(211, twelveLeft.ChainCount());
    for (int i = 0; i < 13; ++i) twelveLeft.Insert(items[i]);
    twelveLeft.Remove(items[12]);
    EXPECT_EQ(13, twelveLeft.ChainCount());  // UpToNiceModulo(12 x 1.1 = 13)

    VolSysSimpleHashTable elevenLeft(200);
    for (int i = 0; i < 12; ++i) elevenLeft.Insert(items[i]);
    elevenLeft.Remove(items[11]);
    EXPECT_EQ(211, elevenLeft.ChainCount());
}

TEST(VolSysSimpleHashTable, KeyLookupFollowsTheChainOfThatKey) {
    // 10 and 11 have key 1, 120 has key 12: all three share chain 1 of 11.
    int ten = 10, eleven = 11, hundredTwenty = 120, nineteen = 19;
    VolSysSimpleHashTable table(0, HashByTens, SameValue);
    table.Insert(&hundredTwenty);
    table.Insert(&ten);
    table.Insert(&eleven);
    table.Insert(&nineteen);
    EXPECT_EQ(&hundredTwenty, table.KeyLocate(12));
    EXPECT_EQ(&ten, table.KeyLocate(1));
    EXPECT_EQ(&eleven, table.NextWithKey(&ten));
    EXPECT_EQ(&nineteen, table.NextWithKey(&eleven));
    EXPECT_EQ(nullptr, table.NextWithKey(&nineteen));
    EXPECT_EQ(nullptr, table.NextWithKey(&hundredTwenty));
    EXPECT_EQ(nullptr, table.NextWithKey(nullptr));
    int absent = 12;
    EXPECT_EQ(nullptr, table.NextWithKey(&absent));
    EXPECT_EQ(nullptr, table.KeyLocate(23));
}

TEST(VolSysSimpleHashTable, LookupsOutsideTheTableGiveNull) {
    Items items(3);
    VolSysSimpleHashTable table;
    table.Insert(items[0]);
    table.Insert(items[1]);
    EXPECT_EQ(nullptr, table.Get(-1));
    EXPECT_EQ(nullptr, table.Get(2));
    EXPECT_EQ(nullptr, table.Next(items[2]));
    EXPECT_EQ(nullptr, table.Next(items[1]));
    EXPECT_EQ(nullptr, table.LocateBucket(items[2]));
}

TEST(VolSysSimpleHashTable, RemoveAllEmptiesButKeepsTheChains) {
    Items items(30);
    VolSysSimpleHashTable table;
    for (int i = 0; i < 30; ++i) table.Insert(items[i]);
    const int chains = table.ChainCount();
    table.RemoveAll();
    EXPECT_EQ(0, table.Size());
    EXPECT_EQ(chains, table.ChainCount());
    EXPECT_EQ(nullptr, table.Locate(items[3]));
    EXPECT_EQ(nullptr, table.Next(nullptr));
    EXPECT_EQ(1, table.Insert(items[3]));
    EXPECT_EQ(items[3], table.Get(0));
}

TEST(VolSysSimpleHashTable, ReAllocateKeepsEveryItemInOrder) {
    Items items(20);
    VolSysSimpleHashTable table;
    for (int i = 0; i < 20; ++i) table.Insert(items[i]);
    const std::vector<void*> before = PoolOrder(table);
    EXPECT_EQ(0, table.ReAllocate(500));
    EXPECT_EQ(503, table.ChainCount());
    EXPECT_EQ(before, PoolOrder(table));
    // Asked for fewer chains than items: the table keeps room for all of them.
    EXPECT_EQ(0, table.ReAllocate(3));
    EXPECT_GE(table.ChainCount(), 20);
    EXPECT_EQ(before, PoolOrder(table));
    for (void* item : before) EXPECT_EQ(item, table.Locate(item));
}

// Random inserts, removals and lookups, checked against std::unordered_set for membership and
// against a model of the pool (append; removal moves the last item into the gap) for order.
TEST(VolSysSimpleHashTable, BehavesLikeASetOverLongRandomSequences) {
    constexpr int kDistinct = 3000;
    Items items(kDistinct);
    for (unsigned seed : {1u, 7u, 2024u}) {
        SCOPED_TRACE(testing::Message() << "seed " << seed);
        std::mt19937 random(seed);
        VolSysSimpleHashTable table;
        std::unordered_set<void*> reference;
        std::vector<void*> pool;
        for (int step = 0; step < 60000; ++step) {
            // Phases that favour insertion, then removal, so that the table grows and shrinks.
            const int phase = (step / 5000) % 2;
            void* item = items[static_cast<int>(random() % kDistinct)];
            const unsigned dice = random() % 10;
            if (dice < (phase == 0 ? 6u : 3u)) {
                const bool isNew = reference.insert(item).second;
                ASSERT_EQ(isNew ? 1 : 0, table.Insert(item));
                if (isNew) pool.push_back(item);
            } else if (dice < 9) {
                const bool present = reference.erase(item) == 1;
                ASSERT_EQ(present ? item : nullptr, table.Remove(item));
                if (present) {
                    auto at = std::find(pool.begin(), pool.end(), item);
                    *at = pool.back();
                    pool.pop_back();
                }
            } else {
                ASSERT_EQ(reference.count(item) ? item : nullptr, table.Locate(item));
            }
            ASSERT_EQ(static_cast<int>(reference.size()), table.Size());
            ASSERT_GE(table.ChainCount(), table.Size());
            if (step % 997 == 0) {
                ASSERT_EQ(pool, IndexOrder(table));
            }
        }
        ASSERT_EQ(pool, PoolOrder(table));
    }
}

}  // namespace
