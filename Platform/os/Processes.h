#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>
#include <string>
#include <vector>

namespace vrx::os {

inline constexpr std::uint32_t kProcessQueryInformation = 0x0400;
inline constexpr std::uint32_t kProcessVmRead = 0x0010;
inline constexpr std::uint32_t kSnapProcess = 0x2;
inline constexpr std::uint32_t kMaxPath = 260;

/// One process entry of a snapshot walk: 296 bytes, the size field set by the caller.
struct ProcessEntry32 {
    std::uint32_t dwSize = 0;
    std::uint32_t cntUsage = 0;
    std::uint32_t th32ProcessID = 0;
    std::uint32_t th32DefaultHeapID = 0;
    std::uint32_t th32ModuleID = 0;
    std::uint32_t cntThreads = 0;
    std::uint32_t th32ParentProcessID = 0;
    std::int32_t pcPriClassBase = 0;
    std::uint32_t dwFlags = 0;
    char szExeFile[kMaxPath] = {};
};
static_assert(sizeof(ProcessEntry32) == 296);

/// Process information. On the Linux host it comes from /proc: a process's first module is
/// its executable (the target of /proc/<pid>/exe), the further modules are the mapped shared
/// objects, and the long form of a path is the path resolved through its links. A process of
/// another user cannot be opened (last error 5).
class Processes {
public:
    virtual ~Processes() = default;

    /// kInvalidHandle when the process does not exist (87) or may not be opened (5).
    virtual Handle openProcess(std::uint32_t access, bool inheritHandle, std::uint32_t pid) = 0;

    /// Fills up to cb / 4 module handles, the executable first; needed := bytes for all.
    virtual bool enumProcessModules(Handle process, std::uint32_t* modules, std::uint32_t cb,
                                    std::uint32_t& needed) = 0;

    /// The file name of a module of the process into buffer (size in characters, the text cut
    /// to size − 1 and terminated); the count of characters copied, 0 on failure.
    virtual std::uint32_t getModuleFileNameEx(Handle process, std::uint32_t module, char* buffer,
                                              std::uint32_t size) = 0;

    /// The long form of an existing path into buffer. The length of the result without the
    /// terminator when it fits; the size needed (terminator included) when it does not; 0 when
    /// the path does not exist.
    virtual std::uint32_t getLongPathName(const std::string& shortPath, char* buffer,
                                          std::uint32_t size) = 0;

    virtual Handle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t pid) = 0;
    virtual bool process32First(Handle snapshot, ProcessEntry32& entry) = 0;
    virtual bool process32Next(Handle snapshot, ProcessEntry32& entry) = 0;
};

/// The Linux host's implementation (its file: ProcessesLinux.cpp).
Processes& hostProcesses();

/// getModuleFileNameEx over a process's module paths (the executable first; module 0 is the
/// executable too), for the implementations of the service: the characters copied, or 0 with
/// the last error set (87 for an unknown module, 122 for no buffer).
std::uint32_t moduleFileName(const std::vector<std::string>& modules, std::uint32_t module,
                             char* buffer, std::uint32_t size);

} // namespace vrx::os
