#include "Application/monitor/ModuleInfor.h"

#include "Application/utils/OsVersion.h"
#include "Platform/os/Files.h"
#include "Platform/os/Platform.h"
#include "Platform/os/Processes.h"
#include "Platform/os/SystemInfo.h"
#include "Platform/os/VersionResources.h"

#include <cstdio>
#include <cstring>
#include <iostream>

using namespace vrx::os;

namespace {

constexpr const char kEmptyText[] = "";
constexpr std::uint32_t kModuleListBytes = 2048; // 512 module handles
constexpr std::uint64_t kFileTimeTicksPerDay = 864'000'000'000ull;
// Days from 1601-01-01, where file times count from, to 1899-12-30, day 0 of the date type.
constexpr std::int64_t kFileTimeEpochToDateEpochDays = 109'205;

bool Valid(Handle handle) {
    return handle != kInvalidHandle && handle != 0;
}

std::string Hex4(std::uint16_t value) {
    char text[5];
    std::snprintf(text, sizeof text, "%04X", static_cast<unsigned>(value));
    return text;
}

// The text in a buffer of kMaxPath characters, without going past its end.
std::string BufferText(const char* buffer) {
    return std::string(buffer, strnlen(buffer, kMaxPath));
}

// Closes a process or snapshot handle however the lookup ends.
class HandleCloser {
public:
    explicit HandleCloser(Handle handle) : FHandle(handle) {}
    ~HandleCloser() { (void)closeHandle(FHandle); }
    HandleCloser(const HandleCloser&) = delete;
    HandleCloser& operator=(const HandleCloser&) = delete;

private:
    Handle FHandle;
};

} // namespace

const std::array<const char*, kVersionKeyCount> TModuleInfor::kVersionKeys = {
    "Comments",       "InternalName",     "ProductName",     "CompanyName",
    "LegalCopyright", "ProductVersion",   "FileDescription", "LegalTrademarks",
    "PrivateBuild",   "OriginalFilename", "SpecialBuild",    "FileVersion"};

std::function<void(const std::string& text)> TModuleInfor::ShowMessage =
    [](const std::string& text) { std::cerr << text << '\n'; };

TModuleInfor::TModuleInfor() {
    ClearValues();

    OsVersionRecord version;
    if (GetOSVersion(version)) {
        if (version.dwPlatformId == kPlatformWindows9x) {
            IsWin9x = true;
        } else if (version.dwPlatformId == kPlatformNT) {
            IsNT5 = version.dwMajorVersion == 5;
            IsOtherNT = !IsNT5;
        }
    }

    SystemInfo& system = *platform().systemInfo;
    if (UsesPsapi()) {
        const std::string folder = system.systemDirectory();
        if (folder.empty() || folder.size() >= kMaxPath)
            return; // no system folder: nothing can be resolved
        FLibrary = system.loadLibrary(folder + "\\PSAPI.dll");
        if (!Valid(FLibrary)) {
            FLibrary = kInvalidHandle;
            ShowMessage("Can't load PSAPI.DLL");
            return;
        }
        FHasGetModuleFileNameEx = system.hasEntryPoint(FLibrary, "GetModuleFileNameExA");
        FHasEnumProcessModules = system.hasEntryPoint(FLibrary, "EnumProcessModules");
        if (IsNT5) {
            FKernel = system.moduleHandle("KERNEL32.DLL");
            FHasGetLongPathName =
                Valid(FKernel) && system.hasEntryPoint(FKernel, "GetLongPathNameA");
        }
    } else {
        FLibrary = system.moduleHandle("KERNEL32.DLL");
        if (!Valid(FLibrary)) {
            FLibrary = kInvalidHandle;
            ShowMessage("Can't load KERNEL32.DLL");
            return;
        }
        FHasCreateToolhelp32Snapshot = system.hasEntryPoint(FLibrary, "CreateToolhelp32Snapshot");
        FHasProcess32First = system.hasEntryPoint(FLibrary, "Process32First");
        FHasProcess32Next = system.hasEntryPoint(FLibrary, "Process32Next");
        FHasGetLongPathName = system.hasEntryPoint(FLibrary, "GetLongPathNameA");
    }
}

TModuleInfor::~TModuleInfor() {
    // KERNEL32.DLL was only looked up, never loaded, so only PSAPI is unloaded.
    if (UsesPsapi() && Valid(FLibrary))
        (void)platform().systemInfo->freeLibrary(FLibrary);
}

void TModuleInfor::ClearValues() {
    FValues.fill(kEmptyText);
}

const char* TModuleInfor::Value(int slot) const {
    if (slot < 0 || slot >= kVersionKeyCount)
        return kEmptyText;
    return FValues[static_cast<std::size_t>(slot)];
}

std::string TModuleInfor::GetProcessPath(std::uint32_t pid) {
    ModulePath.clear();
    return UsesPsapi() ? ProcessPathByModules(pid) : ProcessPathBySnapshot(pid);
}

std::string TModuleInfor::ProcessPathByModules(std::uint32_t pid) {
    if (!FHasEnumProcessModules || !FHasGetModuleFileNameEx)
        return {};
    Processes& processes = *platform().processes;
    const Handle process =
        processes.openProcess(kProcessQueryInformation | kProcessVmRead, false, pid);
    if (!Valid(process))
        return {};
    HandleCloser closer(process);

    std::uint32_t modules[kModuleListBytes / sizeof(std::uint32_t)] = {};
    std::uint32_t needed = 0;
    if (!processes.enumProcessModules(process, modules, kModuleListBytes, needed))
        return {};
    char name[kMaxPath] = {};
    if (processes.getModuleFileNameEx(process, modules[0], name, kMaxPath) == 0)
        return {};

    // On NT 5 the system may report a short (8.3) name; the rules know programs by the long one.
    if (IsNT5 && FHasGetLongPathName) {
        char longName[kMaxPath] = {};
        const std::uint32_t length =
            processes.getLongPathName(BufferText(name), longName, kMaxPath);
        if (length != 0 && length < kMaxPath) {
            ModulePath = BufferText(longName);
            return ModulePath;
        }
    }
    ModulePath = BufferText(name);
    return ModulePath;
}

std::string TModuleInfor::ProcessPathBySnapshot(std::uint32_t pid) {
    if (!FHasCreateToolhelp32Snapshot || !FHasProcess32First || !FHasProcess32Next)
        return {};
    Processes& processes = *platform().processes;
    const Handle snapshot = processes.createToolhelp32Snapshot(kSnapProcess, pid);
    if (!Valid(snapshot))
        return {};
    HandleCloser closer(snapshot);

    ProcessEntry32 entry;
    entry.dwSize = sizeof(ProcessEntry32);
    bool more = processes.process32First(snapshot, entry);
    while (more && entry.th32ProcessID != pid)
        more = processes.process32Next(snapshot, entry);
    if (!more || entry.szExeFile[0] == '\0')
        return {};

    ModulePath = BufferText(entry.szExeFile);
    if (!FHasGetLongPathName)
        return {};
    char longName[kMaxPath] = {};
    const std::uint32_t length = processes.getLongPathName(ModulePath, longName, kMaxPath);
    if (length == 0 || length >= kMaxPath)
        return {}; // ModulePath keeps the short name
    ModulePath = BufferText(longName);
    return ModulePath;
}

bool TModuleInfor::GetFileDate(const std::string& path) {
    Files& files = *platform().files;
    FindData data;
    const Handle search = files.findFirstFile(path, data);
    if (!Valid(search))
        return false;
    const std::uint64_t ticks = (std::uint64_t{data.ftCreationTime.dwHighDateTime} << 32) |
                                data.ftCreationTime.dwLowDateTime;
    // The platform refuses times with the top bit set; such a date stays as it was.
    if (ticks <= 0x7FFFFFFFFFFFFFFFull)
        CreationDate = static_cast<double>(static_cast<std::int64_t>(ticks / kFileTimeTicksPerDay) -
                                           kFileTimeEpochToDateEpochDays);
    (void)files.findClose(search);
    return true;
}

bool TModuleInfor::LoadVersionInfo(const std::string& path) {
    VersionResources& resources = *platform().versionResources;
    const auto size = static_cast<std::int32_t>(resources.getFileVersionInfoSize(path));
    if (size <= 0) {
        ClearValues();
        return false;
    }
    if (FVersionBuffer == nullptr || size > FVersionBufferSize) {
        FVersionBuffer = std::make_unique<std::uint8_t[]>(static_cast<std::size_t>(size));
        FVersionBufferSize = size;
    }
    const void* block = FVersionBuffer.get();
    const void* root = nullptr;
    const void* translation = nullptr;
    std::uint32_t length = 0;
    std::uint32_t translationLength = 0;
    if (!resources.getFileVersionInfo(path, static_cast<std::uint32_t>(size),
                                      FVersionBuffer.get()) ||
        !resources.verQueryValue(block, "\\", &root, &length) ||
        !resources.verQueryValue(block, "\\VarFileInfo\\Translation", &translation,
                                 &translationLength) ||
        translation == nullptr || translationLength < 4) {
        ClearValues();
        return false;
    }

    std::uint16_t language = 0;
    std::uint16_t codePage = 0;
    std::memcpy(&language, translation, 2);
    std::memcpy(&codePage, static_cast<const std::uint8_t*>(translation) + 2, 2);
    std::string prefix = "\\StringFileInfo\\" + Hex4(language) + Hex4(codePage) + "\\";

    // Many files name a code page in their translation table but keep their strings under the
    // Western code page 1252 (04E4) of the same language.
    const void* value = nullptr;
    if (!resources.verQueryValue(block, prefix + kVersionKeys[vkProductName], &value, &length))
        prefix = "\\StringFileInfo\\" + Hex4(language) + "04E4\\";

    for (std::size_t i = 0; i < kVersionKeys.size(); ++i) {
        value = nullptr;
        length = 0;
        const bool found =
            resources.verQueryValue(block, prefix + kVersionKeys[i], &value, &length);
        FValues[i] = found && value != nullptr ? static_cast<const char*>(value) : kEmptyText;
    }
    return true;
}

bool TModuleInfor::LoadIcon(const std::string& path) {
    std::shared_ptr<const IconImage> image = platform().icons->extractIcon(path, 0);
    if (image == nullptr || image->data.empty()) {
        Icon.reset();
        return false;
    }
    Icon = std::move(image);
    return true;
}
