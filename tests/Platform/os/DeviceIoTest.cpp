#include "Platform/os/DeviceIo.h"

#include <gtest/gtest.h>

#include <cstring>

using namespace vrx::os;

namespace {

// Echoes the input back and counts the connections it served.
class EchoDevice final : public DeviceBackend {
public:
    int opened = 0;
    std::unique_ptr<DeviceConnection> open(std::uint32_t, std::uint32_t, std::uint32_t) override {
        ++opened;
        struct Echo final : DeviceConnection {
            bool control(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
                         std::uint32_t outLength, std::uint32_t& returned) override {
                if (code != 1)
                    return false;
                returned = std::min(inLength, outLength);
                std::memcpy(out, in, returned);
                return true;
            }
        };
        return std::make_unique<Echo>();
    }
};

} // namespace

TEST(DeviceIo, PathsAreServedByTheirBackendWithoutRegardToCase) {
    auto echo = std::make_shared<EchoDevice>();
    registerDevice("\\\\.\\ECHO", echo);
    const Handle device =
        createFile("\\\\.\\echo", kGenericRead | kGenericWrite, 0, kOpenExisting, 0);
    ASSERT_NE(device, kInvalidHandle);
    EXPECT_EQ(echo->opened, 1);

    const char in[] = "abc";
    char out[8] = {};
    std::uint32_t returned = 99;
    EXPECT_TRUE(deviceIoControl(device, 1, in, 3, out, sizeof out, &returned));
    EXPECT_EQ(returned, 3u);
    EXPECT_STREQ(out, "abc");
    EXPECT_FALSE(deviceIoControl(device, 2, in, 3, out, sizeof out, &returned));

    EXPECT_TRUE(closeHandle(device));
    EXPECT_FALSE(deviceIoControl(device, 1, in, 3, out, sizeof out, &returned));
    unregisterDevice("\\\\.\\ECHO");
}

TEST(DeviceIo, AnUnservedPathIsNotFound) {
    setLastError(0);
    EXPECT_EQ(createFile("\\\\.\\NOTHING", kGenericRead, 0, kOpenExisting, 0), kInvalidHandle);
    EXPECT_EQ(lastError(), error::kFileNotFound);
}
