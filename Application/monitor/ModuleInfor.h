#pragma once

#include "Platform/os/Handles.h"
#include "Platform/os/Icons.h"

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

/// Slots of the version values. The order is fixed; ProductName is also the key that probes
/// whether the string block of the file's translation exists.
enum TVersionKey : int {
    vkComments = 0,
    vkInternalName = 1,
    vkProductName = 2,
    vkCompanyName = 3,
    vkLegalCopyright = 4,
    vkProductVersion = 5,
    vkFileDescription = 6,
    vkLegalTrademarks = 7,
    vkPrivateBuild = 8,
    vkOriginalFilename = 9,
    vkSpecialBuild = 10,
    vkFileVersion = 11,
};
inline constexpr int kVersionKeyCount = 12;

/// Which executable a process runs, when a file was created, what its version resource says
/// and what its icon looks like. Each user (the access decision, the prompt, the application
/// rules list, the connection monitor) owns an instance; it is used from one thread.
///
/// At construction it chooses by platform how to find a process's file: the process-status
/// library PSAPI on the NT family (the first module of the process; on NT 5 turned into its long
/// form), the Tool Help snapshot walk of KERNEL32 elsewhere. The entry points are resolved then
/// through the platform's run-time loading; a lookup that needs a missing one gives the empty
/// text or false.
class TModuleInfor {
public:
    /// The key names in slot order.
    static const std::array<const char*, kVersionKeyCount> kVersionKeys;

    /// Shows the plain messages about a missing library ("Can't load PSAPI.DLL", "Can't load
    /// KERNEL32.DLL"). Start-up points it at the window framework's message box; until then
    /// the message goes to the standard error output.
    static std::function<void(const std::string& text)> ShowMessage;

    TModuleInfor();
    ~TModuleInfor();
    TModuleInfor(const TModuleInfor&) = delete;
    TModuleInfor& operator=(const TModuleInfor&) = delete;

    /// The executable of the process (also left in ModulePath), or the empty text when its file
    /// cannot be found: the process has ended, may not be opened, or an entry point is missing.
    std::string GetProcessPath(std::uint32_t pid);

    /// Sets CreationDate to the file's creation day (file-system time, midnight) and returns
    /// true when the file exists; otherwise false and CreationDate stays.
    bool GetFileDate(const std::string& path);

    /// Reads the file's version strings into the 12 slots; a key the file lacks gets the empty
    /// text. False, with every slot empty, when the file has no readable version resource.
    /// The values stay valid until the next LoadVersionInfo: copy what you keep.
    bool LoadVersionInfo(const std::string& path);

    /// Reads the first icon of the file into Icon, replacing the one held so far; false, with
    /// Icon empty, when the file has none. Callers that keep an icon beyond the next call keep
    /// their own reference to it.
    bool LoadIcon(const std::string& path);

    /// The value in a slot; the empty text when absent.
    const char* Value(int slot) const;
    const char* Value(TVersionKey key) const { return Value(static_cast<int>(key)); }

    /// Bytes held for version resources: the largest resource read so far.
    std::int32_t VersionBufferSize() const { return FVersionBufferSize; }

    bool IsOtherNT = false; // NT family, major version not 5: PSAPI without long paths
    bool IsWin9x = false;   // Windows 9x family: Tool Help
    bool IsNT5 = false;     // NT family, version 5: PSAPI, paths turned into their long form

    /// The path found by the last GetProcessPath (at most 259 characters).
    std::string ModulePath;
    /// Set by GetFileDate: days since 1899-12-30, the platform's date type; 0 at construction.
    double CreationDate = 0;
    /// The icon read by the last LoadIcon; empty before the first and after a failed one.
    std::shared_ptr<const vrx::os::IconImage> Icon;

private:
    bool UsesPsapi() const { return IsOtherNT || IsNT5; }
    std::string ProcessPathByModules(std::uint32_t pid);
    std::string ProcessPathBySnapshot(std::uint32_t pid);
    void ClearValues();

    std::unique_ptr<std::uint8_t[]> FVersionBuffer;
    std::int32_t FVersionBufferSize = 0;
    vrx::os::Handle FLibrary = vrx::os::kInvalidHandle; // PSAPI.dll or KERNEL32.DLL
    vrx::os::Handle FKernel = vrx::os::kInvalidHandle;  // KERNEL32.DLL, NT 5 only
    bool FHasEnumProcessModules = false;
    bool FHasGetModuleFileNameEx = false;
    bool FHasGetLongPathName = false;
    bool FHasCreateToolhelp32Snapshot = false;
    bool FHasProcess32First = false;
    bool FHasProcess32Next = false;
    std::array<const char*, kVersionKeyCount> FValues{};
};
