#pragma once

#include "Platform/os/Handles.h"

#include <map>
#include <mutex>
#include <set>
#include <string>

namespace vrx::os {

/// Whether a library is one that every process has loaded, so that its module handle can be
/// had by name without loading it.
enum class Residence { LoadedOnDemand, AlwaysLoaded };

/// The system libraries that run-time loading can reach, with the entry points each exports.
/// Libraries are known by file name without regard to case ("psapi.dll" finds "PSAPI.dll");
/// loading by path accepts a name alone or a name below the system folder, with either
/// separator, since callers join "\PSAPI.dll" to the system folder as the platform spells it.
/// Every load hands out its own handle from the handle table; freeing it closes the handle.
/// Entry point names match exactly, as the platform's lookups do.
class LibraryCatalog {
public:
    void addLibrary(const std::string& fileName, Residence residence,
                    std::set<std::string> entryPoints);
    void removeLibrary(const std::string& fileName);
    void addEntryPoint(const std::string& fileName, const std::string& entryPoint);
    void removeEntryPoint(const std::string& fileName, const std::string& entryPoint);

    /// kInvalidHandle with last error 126 (module not found) for an unknown library or a path
    /// outside the system folder.
    Handle load(const std::string& path, const std::string& systemDirectory);
    /// The handle of an always-loaded library; kInvalidHandle (126) otherwise. The same handle
    /// comes back every time and freeing it leaves it valid, since the library stays loaded.
    Handle module(const std::string& name);
    /// False with last error 127 (procedure not found) when the library lacks the entry point,
    /// 6 when the handle names no library.
    bool hasEntryPoint(Handle library, const std::string& entryPoint);
    /// False with last error 6 when the handle names no library.
    bool free(Handle library);

    /// Libraries loaded and not yet freed (always-loaded module handles do not count).
    std::size_t openLoads() const;

private:
    struct Library {
        Residence residence = Residence::LoadedOnDemand;
        std::set<std::string> entryPoints;
    };

    mutable std::mutex lock_;
    std::map<std::string, Library> libraries_; // by lower-case file name
    std::map<std::string, Handle> modules_;    // resident module handles by lower-case name
    std::set<Handle> loads_;
};

namespace error {
inline constexpr std::uint32_t kModuleNotFound = 126;
inline constexpr std::uint32_t kProcNotFound = 127;
} // namespace error

} // namespace vrx::os
