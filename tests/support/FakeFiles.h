#pragma once

#include "Platform/os/Files.h"

#include <map>
#include <string>
#include <vector>

namespace vrx::test {

/// Files that exist only in memory, each with the times the test gives it. Searches take a
/// plain path or a pattern with '*' and '?' in its last part, as on the host; the patterns
/// asked for are recorded, and the searches still open are counted.
class FakeFiles : public os::Files {
public:
    /// A file time from calendar parts (UTC).
    static os::FileTime fileTime(int year, unsigned month, unsigned day, unsigned hour = 0,
                                 unsigned minute = 0, unsigned second = 0);

    void addFile(const std::string& path, os::FileTime creationTime, std::uint64_t size = 0);
    void removeFile(const std::string& path);

    std::vector<std::string> searches;
    /// Searches begun and not yet closed.
    int openSearches() const { return openSearches_; }

    os::Handle findFirstFile(const std::string& pattern, os::FindData& data) override;
    bool findNextFile(os::Handle search, os::FindData& data) override;
    bool findClose(os::Handle search) override;

private:
    std::map<std::string, os::FindData> files_;
    int openSearches_ = 0;
};

} // namespace vrx::test
