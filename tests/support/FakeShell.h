#pragma once

#include "Platform/os/Shell.h"

#include <vector>

namespace vrx::os {

/// A shell that starts nothing: it records every request and answers with `result`.
class FakeShell final : public Shell {
public:
    struct Request {
        std::optional<std::string> verb;
        std::string file;
        std::optional<std::string> parameters;
        std::optional<std::string> directory;
        int showCommand = 0;
        bool operator==(const Request&) const = default;
    };

    std::uint32_t result = 42;

    std::uint32_t shellExecute(const std::optional<std::string>& verb, const std::string& file,
                               const std::optional<std::string>& parameters,
                               const std::optional<std::string>& directory,
                               int showCommand) override {
        requests_.push_back({verb, file, parameters, directory, showCommand});
        return result;
    }

    const std::vector<Request>& requests() const { return requests_; }

private:
    std::vector<Request> requests_;
};

} // namespace vrx::os
