// A table whose chains cannot be allocated. The allocation asked for is tens of gigabytes, which the
// sanitizers' allocators abort on instead of failing: the test has a label of its own (huge-allocation)
// that their presets leave out.
#include <gtest/gtest.h>

#include <climits>
#include <cstdint>

#include "threads/VolSysSimpleHashTable.h"

TEST(VolSysSimpleHashTable, UnallocatableTableRefusesInsertions) {
    if (INTPTR_MAX == INT32_MAX) {
        GTEST_SKIP() << "a 32-bit size cannot ask for tens of gigabytes";
    }
    int item = 1;
    VolSysSimpleHashTable table(INT_MAX);
    EXPECT_EQ(-1, table.Insert(&item));
    EXPECT_EQ(nullptr, table.InsertAndReturn(&item));
    EXPECT_EQ(0, table.Size());
    EXPECT_EQ(nullptr, table.Locate(&item));
    EXPECT_EQ(nullptr, table.KeyLocate(0));
    EXPECT_EQ(nullptr, table.Remove(&item));
    EXPECT_EQ(nullptr, table.Next(nullptr));
    table.RemoveAll();
}
