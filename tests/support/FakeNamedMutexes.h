#pragma once

#include "Platform/os/NamedMutexes.h"

#include <map>
#include <memory>
#include <string>

namespace vrx::test {

/// Named mutexes of one fake machine, kept in memory. A name stays taken until every handle
/// created for it is closed, as a named kernel object lives while any handle names it.
/// `takenElsewhere` marks names held by another (imaginary) process.
class FakeNamedMutexes final : public os::NamedMutexes {
public:
    os::Handle createMutex(bool initialOwner, const std::string& name) override;

    /// Whether a handle of this fake currently holds the name open.
    bool isOpen(const std::string& name) const;

    /// Make the next createMutex calls fail with this last error (0: succeed again).
    std::uint32_t failWith = 0;
    std::map<std::string, bool> takenElsewhere;
    int calls = 0;
    std::string lastName;
    bool lastInitialOwner = false;

private:
    std::map<std::string, std::weak_ptr<os::HandleObject>> open_;
};

} // namespace vrx::test
