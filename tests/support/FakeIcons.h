#pragma once

#include "Platform/os/Icons.h"

#include <map>
#include <string>
#include <vector>

namespace vrx::test {

/// Icons of files that exist only in memory: each file has its icons by index. Records every
/// request.
class FakeIcons final : public os::Icons {
public:
    struct Request {
        std::string path;
        std::uint32_t index = 0;
        bool operator==(const Request&) const = default;
    };

    void addIcon(const std::string& path, os::IconImage icon);
    void removeFile(const std::string& path);

    std::shared_ptr<const os::IconImage> extractIcon(const std::string& path,
                                                     std::uint32_t index) override;

    const std::vector<Request>& requests() const { return requests_; }

private:
    std::map<std::string, std::vector<std::shared_ptr<const os::IconImage>>> icons_;
    std::vector<Request> requests_;
};

} // namespace vrx::test
