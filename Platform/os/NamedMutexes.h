#pragma once

#include "Platform/os/Handles.h"

#include <string>

namespace vrx::os {

/// Named mutexes that mark a running program copy across processes of the same user.
class NamedMutexes {
public:
    virtual ~NamedMutexes() = default;

    /// Creates the named mutex, owned by the caller when asked. When the name is taken already
    /// (by this or another process of the user), a handle still comes back and the last error
    /// is 183 (already exists); otherwise the last error is 0. kInvalidHandle when the mutex
    /// cannot be created at all. Closing the handle releases the name.
    virtual Handle createMutex(bool initialOwner, const std::string& name) = 0;
};

/// The Linux host's implementation (its file: NamedMutexesLinux.cpp).
NamedMutexes& hostNamedMutexes();

} // namespace vrx::os
