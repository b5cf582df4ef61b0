#include "Platform/os/Handles.h"

#include <gtest/gtest.h>

#include <thread>

using namespace vrx::os;

namespace {
struct Thing : HandleObject {};
struct Other : HandleObject {};
} // namespace

TEST(HandleTable, NamesObjectsOfOneKindOnlyAndNeverReusesAValue) {
    auto& table = HandleTable::instance();
    const Handle first = table.insert(std::make_shared<Thing>());
    EXPECT_NE(first, kInvalidHandle);
    EXPECT_NE(table.get<Thing>(first), nullptr);
    EXPECT_EQ(table.get<Other>(first), nullptr);

    ASSERT_TRUE(closeHandle(first));
    EXPECT_EQ(table.get<Thing>(first), nullptr);
    const Handle second = table.insert(std::make_shared<Thing>());
    EXPECT_NE(second, first);
    EXPECT_TRUE(closeHandle(second));
}

TEST(HandleTable, ClosingAnUnknownHandleFailsWithInvalidHandle) {
    setLastError(0);
    EXPECT_FALSE(closeHandle(kInvalidHandle));
    EXPECT_EQ(lastError(), error::kInvalidHandle);
}

TEST(LastError, BelongsToTheCallingThread) {
    setLastError(183);
    std::uint32_t seenByOther = 1;
    std::thread([&] { seenByOther = lastError(); }).join();
    EXPECT_EQ(seenByOther, 0u);
    EXPECT_EQ(lastError(), 183u);
}
