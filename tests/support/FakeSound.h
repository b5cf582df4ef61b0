#pragma once

#include "Platform/os/Sound.h"

#include <vector>

namespace vrx::os {

/// A silent sound service: it records every request and answers with `result`.
class FakeSound final : public Sound {
public:
    struct Request {
        std::string fileName;
        std::uint32_t flags = 0;
        bool operator==(const Request&) const = default;
    };

    bool result = true;

    bool playSound(const std::string& fileName, std::uint32_t flags) override {
        requests_.push_back({fileName, flags});
        return result;
    }

    const std::vector<Request>& requests() const { return requests_; }

private:
    std::vector<Request> requests_;
};

} // namespace vrx::os
