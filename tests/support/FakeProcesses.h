#pragma once

#include "Platform/os/Processes.h"

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace vrx::test {

/// Processes from a table that the test fills: each with the executable path as the system
/// reports it (which may be a short form), its further modules, and whether it may be opened.
/// Long forms of paths come from a short → long map. Every call is recorded by name, so a test
/// can tell which way a caller went (module list or snapshot walk).
class FakeProcesses : public os::Processes {
public:
    enum class Access { Openable, Denied };

    struct Process {
        std::uint32_t pid = 0;
        std::string executable;
        std::vector<std::string> modules; // besides the executable
        Access access = Access::Openable;
    };

    void addProcess(std::uint32_t pid, std::string executable, Access access = Access::Openable,
                    std::vector<std::string> modules = {});
    /// Ends a process: it can no longer be opened and leaves later snapshots.
    void removeProcess(std::uint32_t pid);
    /// The long form of a short path; the long path itself then exists too.
    void addLongPath(std::string shortPath, std::string longPath);

    /// The names of the calls made, in order ("openProcess", "getLongPathName", ...).
    std::vector<std::string> calls;
    /// Makes createToolhelp32Snapshot fail (last error 8), as when the system is out of memory.
    bool snapshotFails = false;

    os::Handle openProcess(std::uint32_t access, bool inheritHandle, std::uint32_t pid) override;
    bool enumProcessModules(os::Handle process, std::uint32_t* modules, std::uint32_t cb,
                            std::uint32_t& needed) override;
    std::uint32_t getModuleFileNameEx(os::Handle process, std::uint32_t module, char* buffer,
                                      std::uint32_t size) override;
    std::uint32_t getLongPathName(const std::string& shortPath, char* buffer,
                                  std::uint32_t size) override;
    os::Handle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t pid) override;
    bool process32First(os::Handle snapshot, os::ProcessEntry32& entry) override;
    bool process32Next(os::Handle snapshot, os::ProcessEntry32& entry) override;

private:
    bool exists(const std::string& path) const;
    enum class Step { First, Next };
    bool step(os::Handle snapshot, os::ProcessEntry32& entry, Step which);

    std::vector<Process> processes_;
    std::map<std::string, std::string> longPaths_;
};

} // namespace vrx::test
