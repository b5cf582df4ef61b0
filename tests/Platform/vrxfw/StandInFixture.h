#pragma once

#include "Platform/os/DeviceIo.h"
#include "Platform/vrxfw/Device.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

// A stand-in registered for the test and one open handle on it.
class StandInTest : public ::testing::Test {
protected:
    StandInTest() {
        device = vrx::os::createFile(vrx::vrxfw::kDevicePath,
                                     vrx::os::kGenericRead | vrx::os::kGenericWrite, 0,
                                     vrx::os::kOpenExisting, 0x80);
    }
    ~StandInTest() override { vrx::os::closeHandle(device); }

    vrx::vrxfw::Driver& driver() { return standIn.driver(); }

    // One call; returned := bytes returned.
    bool call(std::uint32_t code, const void* in, std::uint32_t inLength, void* out,
              std::uint32_t outLength, std::uint32_t& returned) {
        returned = 0xDEAD;
        return vrx::os::deviceIoControl(device, code, in, inLength, out, outLength, &returned);
    }
    bool call(std::uint32_t code) {
        std::uint32_t returned = 0;
        return call(code, nullptr, 4, nullptr, 4, returned);
    }

    vrx::vrxfw::StandIn standIn;
    vrx::os::Handle device = vrx::os::kInvalidHandle;
};
