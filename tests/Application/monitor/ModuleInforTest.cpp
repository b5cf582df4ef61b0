#include "Application/monitor/ModuleInfor.h"

#include "Platform/os/Files.h"
#include "Platform/os/PeResources.h"
#include "Platform/os/Platform.h"
#include "Platform/os/Processes.h"
#include "Platform/os/VersionBlock.h"
#include "Platform/os/VersionResources.h"
#include "tests/support/FakeSystemInfo.h"
#include "tests/support/FakeVersionResources.h"
#include "tests/support/ModalHooks.h"
#include "tests/support/PeFileBuilder.h"

#include <gtest/gtest.h>

#include <QTemporaryDir>
#include <chrono>
#include <cstring>

#include <filesystem>
#include <map>

using namespace vrx::os;

namespace {

// --- Small stand-ins for the services this class reads ---

struct SnapshotObject final : HandleObject {
    std::vector<ProcessEntry32> entries;
    std::size_t next = 0;
};
struct ProcessObject final : HandleObject {
    std::string executable;
};

// Processes by id with the path the system reports, and a short -> long path map.
class ProcessTable final : public Processes {
public:
    std::map<std::uint32_t, std::string> processes;
    std::map<std::string, std::string> longPaths;
    std::vector<std::string> calls;
    std::uint32_t openedAccess = 0;
    bool openedInheritable = true;

    Handle openProcess(std::uint32_t access, bool inheritHandle, std::uint32_t pid) override {
        calls.push_back("openProcess");
        openedAccess = access;
        openedInheritable = inheritHandle;
        const auto found = processes.find(pid);
        if (found == processes.end() || pid == 0) {
            setLastError(error::kInvalidParameter);
            return kInvalidHandle;
        }
        auto object = std::make_shared<ProcessObject>();
        object->executable = found->second;
        return HandleTable::instance().insert(object);
    }
    bool enumProcessModules(Handle process, std::uint32_t* modules, std::uint32_t cb,
                            std::uint32_t& needed) override {
        calls.push_back("enumProcessModules");
        if (!HandleTable::instance().get<ProcessObject>(process) || cb < 4)
            return false;
        modules[0] = 0x400000;
        needed = 4;
        return true;
    }
    std::uint32_t getModuleFileNameEx(Handle process, std::uint32_t, char* buffer,
                                      std::uint32_t size) override {
        calls.push_back("getModuleFileNameEx");
        const auto object = HandleTable::instance().get<ProcessObject>(process);
        if (!object || size == 0)
            return 0;
        const std::size_t n = std::min<std::size_t>(object->executable.size(), size - 1);
        std::memcpy(buffer, object->executable.data(), n);
        buffer[n] = '\0';
        return static_cast<std::uint32_t>(n);
    }
    std::uint32_t getLongPathName(const std::string& shortPath, char* buffer,
                                  std::uint32_t size) override {
        calls.push_back("getLongPathName");
        const auto found = longPaths.find(shortPath);
        if (found == longPaths.end())
            return 0;
        if (found->second.size() + 1 > size)
            return static_cast<std::uint32_t>(found->second.size() + 1);
        std::memcpy(buffer, found->second.c_str(), found->second.size() + 1);
        return static_cast<std::uint32_t>(found->second.size());
    }
    Handle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t) override {
        calls.push_back("createToolhelp32Snapshot");
        if (flags != kSnapProcess)
            return kInvalidHandle;
        auto snapshot = std::make_shared<SnapshotObject>();
        for (const auto& [pid, path] : processes) {
            ProcessEntry32 entry;
            entry.th32ProcessID = pid;
            std::strncpy(entry.szExeFile, path.c_str(), kMaxPath - 1);
            snapshot->entries.push_back(entry);
        }
        return HandleTable::instance().insert(snapshot);
    }
    bool process32First(Handle snapshot, ProcessEntry32& entry) override {
        calls.push_back("process32First");
        if (auto s = HandleTable::instance().get<SnapshotObject>(snapshot))
            s->next = 0;
        return Step(snapshot, entry);
    }
    bool process32Next(Handle snapshot, ProcessEntry32& entry) override {
        calls.push_back("process32Next");
        return Step(snapshot, entry);
    }

private:
    static bool Step(Handle snapshot, ProcessEntry32& entry) {
        const auto s = HandleTable::instance().get<SnapshotObject>(snapshot);
        if (!s || entry.dwSize != sizeof(ProcessEntry32) || s->next >= s->entries.size())
            return false;
        entry = s->entries[s->next++];
        entry.dwSize = sizeof(ProcessEntry32);
        return true;
    }
};

struct SearchObject final : HandleObject {};

class FileDates final : public Files {
public:
    std::map<std::string, FileTime> created;
    int openSearches = 0;

    Handle findFirstFile(const std::string& pattern, FindData& data) override {
        const auto found = created.find(pattern);
        if (found == created.end()) {
            setLastError(error::kFileNotFound);
            return kInvalidHandle;
        }
        data.ftCreationTime = found->second;
        ++openSearches;
        return HandleTable::instance().insert(std::make_shared<SearchObject>());
    }
    bool findNextFile(Handle, FindData&) override { return false; }
    bool findClose(Handle search) override {
        --openSearches;
        return closeHandle(search);
    }
};

// Version blocks as a list of (sub-block, value bytes) pairs, copied whole into the caller's
// buffer and looked up there, so every answer points into that buffer as the platform's does.
// Layout: u32 total size, then per entry u16 name length, name, u16 value length, value.
class VersionBlocks final : public VersionResources {
public:
    using Entries = std::vector<std::pair<std::string, std::string>>;

    void add(const std::string& path, const Entries& entries, std::size_t padding = 0) {
        std::string block(4, '\0');
        for (const auto& [name, value] : entries)
            block += Field(name) + Field(value);
        block.append(padding, '\0');
        const auto size = static_cast<std::uint32_t>(block.size());
        std::memcpy(block.data(), &size, 4);
        files[path] = block;
    }
    static std::string Text(const std::string& text) { return text + std::string(1, '\0'); }
    static std::string Translation(std::uint16_t language, std::uint16_t codePage) {
        std::string bytes(4, '\0');
        std::memcpy(bytes.data(), &language, 2);
        std::memcpy(bytes.data() + 2, &codePage, 2);
        return bytes;
    }

    std::map<std::string, std::string> files;
    std::vector<std::string> queries;
    bool failRead = false;

    std::uint32_t getFileVersionInfoSize(const std::string& path) override {
        const auto found = files.find(path);
        return found == files.end() ? 0 : static_cast<std::uint32_t>(found->second.size());
    }
    bool getFileVersionInfo(const std::string& path, std::uint32_t size, void* data) override {
        const auto found = files.find(path);
        if (failRead || found == files.end())
            return false;
        std::memcpy(data, found->second.data(), std::min<std::size_t>(size, found->second.size()));
        return true;
    }
    bool verQueryValue(const void* block, const std::string& subBlock, const void** buffer,
                       std::uint32_t* length) override {
        queries.push_back(subBlock);
        const auto* bytes = static_cast<const std::uint8_t*>(block);
        std::uint32_t size = 0;
        std::memcpy(&size, bytes, 4);
        for (std::uint32_t at = 4; at + 2 <= size;) {
            const std::string name = Read(bytes, at);
            const std::uint32_t valueAt = at + 2;
            const std::string value = Read(bytes, at);
            if (EqualIgnoringCase(name, subBlock)) {
                *buffer = bytes + valueAt;
                *length = static_cast<std::uint32_t>(value.size());
                return true;
            }
        }
        return false;
    }

private:
    static std::string Field(const std::string& bytes) {
        const auto n = static_cast<std::uint16_t>(bytes.size());
        std::string field(2, '\0');
        std::memcpy(field.data(), &n, 2);
        return field + bytes;
    }
    static std::string Read(const std::uint8_t* bytes, std::uint32_t& at) {
        std::uint16_t n = 0;
        std::memcpy(&n, bytes + at, 2);
        std::string text(reinterpret_cast<const char*>(bytes + at + 2), n);
        at += 2u + n;
        return text;
    }
    static bool EqualIgnoringCase(const std::string& a, const std::string& b) {
        return a.size() == b.size() &&
               std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
                   return std::toupper(static_cast<unsigned char>(x)) ==
                          std::toupper(static_cast<unsigned char>(y));
               });
    }
};

class IconFiles final : public Icons {
public:
    std::map<std::string, std::shared_ptr<const IconImage>> icons;
    std::vector<std::uint32_t> indexes;

    std::shared_ptr<const IconImage> extractIcon(const std::string& path,
                                                 std::uint32_t index) override {
        indexes.push_back(index);
        const auto found = icons.find(path);
        return found == icons.end() ? nullptr : found->second;
    }
};

class ModuleInforTest : public ::testing::Test {
protected:
    ModuleInforTest() {
        processes.processes = {{1234, "C:\\PROGRA~1\\MOZILL~1\\FIREFOX.EXE"},
                               {77, "C:\\WINDOWS\\system32\\svchost.exe"}};
        processes.longPaths = {
            {"C:\\PROGRA~1\\MOZILL~1\\FIREFOX.EXE",
             "C:\\Program Files\\Mozilla Firefox\\firefox.exe"},
            {"C:\\WINDOWS\\system32\\svchost.exe", "C:\\WINDOWS\\system32\\svchost.exe"}};
    }
    std::vector<std::string> messages() const {
        std::vector<std::string> texts;
        for (const auto& request : boxes.asked)
            texts.push_back(request.text);
        return texts;
    }

    void RunOn(std::uint32_t platformId, std::uint32_t major) {
        system.platformId = platformId;
        system.majorVersion = major;
    }

    vrx::test::FakeSystemInfo system;
    ProcessTable processes;
    FileDates files;
    VersionBlocks versions;
    IconFiles icons;
    ScopedService<SystemInfo> systemGuard{&Services::systemInfo, &system};
    ScopedService<Processes> processesGuard{&Services::processes, &processes};
    ScopedService<Files> filesGuard{&Services::files, &files};
    ScopedService<VersionResources> versionsGuard{&Services::versionResources, &versions};
    ScopedService<Icons> iconsGuard{&Services::icons, &icons};
    vrx::test::ScopedMessageBoxHook boxes;
};

// --- Platform and the way to a process's file ---

struct PlatformCase {
    const char* name;
    std::uint32_t platformId;
    std::uint32_t major;
    bool failVersion;
    bool nt5, otherNt, win9x;
    const char* firefox; // what pid 1234 gives
    std::vector<std::string> calls;
};

class ModuleInforPlatform : public ModuleInforTest,
                            public ::testing::WithParamInterface<PlatformCase> {};

TEST_P(ModuleInforPlatform, ChoosesItsWayByPlatformAndLongPathsOnlyOnNT5) {
    const PlatformCase& c = GetParam();
    RunOn(c.platformId, c.major);
    system.failVersion = c.failVersion;
    TModuleInfor info;
    EXPECT_EQ(info.IsNT5, c.nt5);
    EXPECT_EQ(info.IsOtherNT, c.otherNt);
    EXPECT_EQ(info.IsWin9x, c.win9x);

    EXPECT_EQ(info.GetProcessPath(1234), c.firefox);
    EXPECT_EQ(processes.calls, c.calls);
    EXPECT_TRUE(messages().empty());
}

const std::vector<std::string> kPsapi = {"openProcess", "enumProcessModules",
                                         "getModuleFileNameEx"};
const std::vector<std::string> kPsapiLong = {"openProcess", "enumProcessModules",
                                             "getModuleFileNameEx", "getLongPathName"};
const std::vector<std::string> kSnapshot = {"createToolhelp32Snapshot", "process32First",
                                            "process32Next", "getLongPathName"};

INSTANTIATE_TEST_SUITE_P(
    Platforms, ModuleInforPlatform,
    ::testing::Values(PlatformCase{"Xp", kPlatformNT, 5, false, true, false, false,
                                   "C:\\Program Files\\Mozilla Firefox\\firefox.exe", kPsapiLong},
                      PlatformCase{"Nt4", kPlatformNT, 4, false, false, true, false,
                                   "C:\\PROGRA~1\\MOZILL~1\\FIREFOX.EXE", kPsapi},
                      PlatformCase{"Nt6", kPlatformNT, 6, false, false, true, false,
                                   "C:\\PROGRA~1\\MOZILL~1\\FIREFOX.EXE", kPsapi},
                      PlatformCase{"Win9x", kPlatformWindows9x, 4, false, false, false, true,
                                   "C:\\Program Files\\Mozilla Firefox\\firefox.exe", kSnapshot},
                      PlatformCase{"Win32s", kPlatformWin32s, 3, false, false, false, false,
                                   "C:\\Program Files\\Mozilla Firefox\\firefox.exe", kSnapshot},
                      PlatformCase{"NoVersion", kPlatformNT, 5, true, false, false, false,
                                   "C:\\Program Files\\Mozilla Firefox\\firefox.exe", kSnapshot}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ModuleInforTest, PsapiAsksForQueryAndReadRightsAndClosesTheProcess) {
    TModuleInfor info;
    const std::size_t handles = HandleTable::instance().size();
    EXPECT_EQ(info.GetProcessPath(77), "C:\\WINDOWS\\system32\\svchost.exe");
    EXPECT_EQ(info.ModulePath, "C:\\WINDOWS\\system32\\svchost.exe");
    EXPECT_EQ(processes.openedAccess, 0x0410u);
    EXPECT_FALSE(processes.openedInheritable);
    EXPECT_EQ(HandleTable::instance().size(), handles);
}

TEST_F(ModuleInforTest, NT5KeepsTheReportedPathWhenItHasNoLongForm) {
    processes.processes[5] = "C:\\TOOLS\\A.EXE";
    TModuleInfor info;
    EXPECT_EQ(info.GetProcessPath(5), "C:\\TOOLS\\A.EXE");
    processes.longPaths["C:\\TOOLS\\A.EXE"] = "C:\\" + std::string(300, 'x'); // does not fit
    EXPECT_EQ(info.GetProcessPath(5), "C:\\TOOLS\\A.EXE");
}

TEST_F(ModuleInforTest, EndedProcessesAndProcessZeroGiveTheEmptyTextInBothWays) {
    for (const std::uint32_t platformId : {kPlatformNT, kPlatformWindows9x}) {
        RunOn(platformId, 5);
        TModuleInfor info;
        EXPECT_EQ(info.GetProcessPath(1234), "C:\\Program Files\\Mozilla Firefox\\firefox.exe");
        processes.processes.erase(1234);
        EXPECT_EQ(info.GetProcessPath(1234), "") << platformId;
        EXPECT_EQ(info.ModulePath, "");
        EXPECT_EQ(info.GetProcessPath(0), "") << platformId;
        processes.processes[1234] = "C:\\PROGRA~1\\MOZILL~1\\FIREFOX.EXE";
    }
}

TEST_F(ModuleInforTest, SnapshotWithoutALongFormGivesTheEmptyTextButKeepsTheShortName) {
    RunOn(kPlatformWindows9x, 4);
    processes.processes[9] = "C:\\GONE\\OLD.EXE";
    TModuleInfor info;
    const std::size_t handles = HandleTable::instance().size();
    EXPECT_EQ(info.GetProcessPath(9), "");
    EXPECT_EQ(info.ModulePath, "C:\\GONE\\OLD.EXE");
    EXPECT_EQ(HandleTable::instance().size(), handles); // the snapshot is closed
}

// --- Missing libraries and entry points ---

TEST_F(ModuleInforTest, MissingPsapiIsReportedByEveryConstructionAndLookupsGiveNothing) {
    system.libraries.removeLibrary("PSAPI.dll");
    {
        TModuleInfor first;
        TModuleInfor second;
        EXPECT_EQ(first.GetProcessPath(1234), "");
    }
    EXPECT_EQ(messages(),
              (std::vector<std::string>{"Can't load PSAPI.DLL", "Can't load PSAPI.DLL"}));
    EXPECT_TRUE(processes.calls.empty());
}

TEST_F(ModuleInforTest, MissingKernelIsReportedInToolHelpMode) {
    RunOn(kPlatformWindows9x, 4);
    system.libraries.removeLibrary("KERNEL32.DLL");
    TModuleInfor info;
    EXPECT_EQ(messages(), std::vector<std::string>{"Can't load KERNEL32.DLL"});
    EXPECT_EQ(info.GetProcessPath(1234), "");
    EXPECT_TRUE(processes.calls.empty());
}

TEST_F(ModuleInforTest, MissingEntryPointsSkipWhatNeedsThem) {
    system.libraries.removeEntryPoint("KERNEL32.DLL", "GetLongPathNameA");
    {
        TModuleInfor info; // NT 5 without the long-name conversion: the path as reported
        EXPECT_EQ(info.GetProcessPath(1234), "C:\\PROGRA~1\\MOZILL~1\\FIREFOX.EXE");
    }
    system.libraries.removeEntryPoint("PSAPI.dll", "EnumProcessModules");
    {
        processes.calls.clear();
        TModuleInfor info;
        EXPECT_EQ(info.GetProcessPath(1234), "");
        EXPECT_TRUE(processes.calls.empty());
    }
    EXPECT_TRUE(messages().empty());
}

TEST_F(ModuleInforTest, PsapiIsUnloadedWithTheObject) {
    {
        TModuleInfor info;
        EXPECT_EQ(system.libraries.openLoads(), 1u);
    }
    EXPECT_EQ(system.libraries.openLoads(), 0u);
    RunOn(kPlatformWindows9x, 4);
    { TModuleInfor info; }
    EXPECT_EQ(system.libraries.openLoads(), 0u);
}

TEST_F(ModuleInforTest, SystemFolderThatCannotBeHadResolvesNothingSilently) {
    system.systemFolder = "";
    TModuleInfor info;
    EXPECT_EQ(info.GetProcessPath(1234), "");
    EXPECT_TRUE(messages().empty());
    EXPECT_EQ(system.libraries.openLoads(), 0u);
}

// --- File date ---

TEST_F(ModuleInforTest, FileDateIsTheCreationDayAtMidnightInFileSystemTime) {
    using namespace std::chrono;
    // 2004-08-10 23:59:59 UTC as a file time.
    const auto sinceFileEpoch =
        sys_days(2004y / August / 10) + 23h + 59min + 59s - sys_days(1601y / January / 1);
    const auto ticks =
        static_cast<std::uint64_t>(duration_cast<seconds>(sinceFileEpoch).count()) * 10'000'000ull;
    files.created["C:\\app.exe"] = {static_cast<std::uint32_t>(ticks),
                                    static_cast<std::uint32_t>(ticks >> 32)};

    TModuleInfor info;
    EXPECT_EQ(info.CreationDate, 0.0);
    EXPECT_TRUE(info.GetFileDate("C:\\app.exe"));
    const double expected = static_cast<double>(
        (sys_days(2004y / August / 10) - sys_days(1899y / December / 30)).count());
    EXPECT_EQ(info.CreationDate, expected); // 38209
    EXPECT_EQ(files.openSearches, 0);

    EXPECT_FALSE(info.GetFileDate("C:\\missing.exe"));
    EXPECT_EQ(info.CreationDate, expected);
}

// --- Version strings ---

VersionBlocks::Entries Strings(const std::string& prefix, const std::string& product,
                               bool withCompany = true) {
    VersionBlocks::Entries entries;
    for (const char* key : TModuleInfor::kVersionKeys) {
        if (!withCompany && std::string(key) == "CompanyName")
            continue;
        entries.emplace_back(prefix + key, VersionBlocks::Text(key == std::string("ProductName")
                                                                   ? product
                                                                   : std::string("v:") + key));
    }
    return entries;
}

VersionBlocks::Entries WithHeader(std::uint16_t language, std::uint16_t codePage,
                                  VersionBlocks::Entries strings) {
    VersionBlocks::Entries entries = {
        {"\\", std::string(52, '\x01')},
        {"\\VarFileInfo\\Translation", VersionBlocks::Translation(language, codePage)}};
    entries.insert(entries.end(), strings.begin(), strings.end());
    return entries;
}

TEST_F(ModuleInforTest, ReadsTheTwelveKeysInSlotOrderFromTheTranslationsBlock) {
    versions.add("a.exe",
                 WithHeader(0x0804, 0x03A8, Strings("\\StringFileInfo\\080403A8\\", "产品")));
    TModuleInfor info;
    ASSERT_TRUE(info.LoadVersionInfo("a.exe"));
    EXPECT_STREQ(info.Value(vkProductName), "产品");
    for (int slot = 0; slot < kVersionKeyCount; ++slot)
        if (slot != vkProductName) {
            EXPECT_EQ(std::string(info.Value(slot)),
                      std::string("v:") + TModuleInfor::kVersionKeys[slot]);
        }
    // The probe, then the twelve keys in slot order.
    ASSERT_EQ(versions.queries.size(), 2u + 1u + 12u);
    EXPECT_EQ(versions.queries[2], "\\StringFileInfo\\080403A8\\ProductName");
    EXPECT_EQ(versions.queries[3], "\\StringFileInfo\\080403A8\\Comments");
    EXPECT_EQ(versions.queries[14], "\\StringFileInfo\\080403A8\\FileVersion");
}

TEST_F(ModuleInforTest, FallsBackToCodePage04E4OfTheSameLanguage) {
    versions.add("b.exe",
                 WithHeader(0x0409, 0x04B0, Strings("\\StringFileInfo\\040904E4\\", "Tool")));
    TModuleInfor info;
    ASSERT_TRUE(info.LoadVersionInfo("b.exe"));
    EXPECT_STREQ(info.Value(vkProductName), "Tool");
    EXPECT_STREQ(info.Value(vkFileDescription), "v:FileDescription");
    EXPECT_EQ(versions.queries[2], "\\StringFileInfo\\040904B0\\ProductName");
    EXPECT_EQ(versions.queries[3], "\\StringFileInfo\\040904E4\\Comments");
}

TEST_F(ModuleInforTest, AMissingKeyIsEmptyAndTheOthersAreRead) {
    versions.add("c.exe", WithHeader(0x0409, 0x04E4,
                                     Strings("\\StringFileInfo\\040904E4\\", "NoCompany", false)));
    TModuleInfor info;
    ASSERT_TRUE(info.LoadVersionInfo("c.exe"));
    EXPECT_STREQ(info.Value(vkCompanyName), "");
    EXPECT_STREQ(info.Value(vkProductName), "NoCompany");
    EXPECT_STREQ(info.Value(vkLegalCopyright), "v:LegalCopyright");
}

TEST_F(ModuleInforTest, FilesWithoutAReadableResourceEmptyEverySlot) {
    versions.add("good.exe",
                 WithHeader(0x0409, 0x04E4, Strings("\\StringFileInfo\\040904E4\\", "G")));
    versions.add("notranslation.exe", {{"\\", std::string(52, '\x01')}});
    versions.add("shorttranslation.exe",
                 {{"\\", std::string(52, '\x01')}, {"\\VarFileInfo\\Translation", "\x09\x04"}});
    versions.add("noroot.exe",
                 {{"\\VarFileInfo\\Translation", VersionBlocks::Translation(0x0409, 0x04E4)}});
    TModuleInfor info;
    for (const char* path :
         {"none.exe", "notranslation.exe", "shorttranslation.exe", "noroot.exe"}) {
        ASSERT_TRUE(info.LoadVersionInfo("good.exe"));
        EXPECT_FALSE(info.LoadVersionInfo(path)) << path;
        for (int slot = 0; slot < kVersionKeyCount; ++slot)
            EXPECT_STREQ(info.Value(slot), "") << path << " " << slot;
    }
    versions.failRead = true;
    EXPECT_FALSE(info.LoadVersionInfo("good.exe"));
    EXPECT_STREQ(info.Value(vkProductName), "");
}

TEST_F(ModuleInforTest, TheVersionBufferGrowsForALargerFileAndNeverShrinks) {
    const auto strings = [](const char* product) {
        return WithHeader(0x0409, 0x04E4, Strings("\\StringFileInfo\\040904E4\\", product));
    };
    versions.add("small.exe", strings("Small"));
    versions.add("large.exe", strings("Large"), 4000);
    const auto smallSize = static_cast<std::int32_t>(versions.files["small.exe"].size());
    const auto largeSize = static_cast<std::int32_t>(versions.files["large.exe"].size());

    TModuleInfor info;
    EXPECT_EQ(info.VersionBufferSize(), 0);
    ASSERT_TRUE(info.LoadVersionInfo("small.exe"));
    EXPECT_EQ(info.VersionBufferSize(), smallSize);
    ASSERT_TRUE(info.LoadVersionInfo("large.exe"));
    EXPECT_EQ(info.VersionBufferSize(), largeSize);
    EXPECT_STREQ(info.Value(vkProductName), "Large");
    ASSERT_TRUE(info.LoadVersionInfo("small.exe"));
    EXPECT_EQ(info.VersionBufferSize(), largeSize);
    EXPECT_STREQ(info.Value(vkProductName), "Small");
}

// --- Icon ---

TEST_F(ModuleInforTest, TheIconIsKeptUntilTheNextLoadIcon) {
    const auto first = std::make_shared<IconImage>(IconImage{{1, 2, 3}, "ico"});
    const auto second = std::make_shared<IconImage>(IconImage{{4, 5}, "png"});
    icons.icons = {{"a.exe", first}, {"b.exe", second}};

    TModuleInfor info;
    EXPECT_EQ(info.Icon, nullptr);
    ASSERT_TRUE(info.LoadIcon("a.exe"));
    EXPECT_EQ(info.Icon, first);
    const auto kept = info.Icon; // a caller that keeps it
    ASSERT_TRUE(info.LoadIcon("b.exe"));
    EXPECT_EQ(info.Icon, second);
    EXPECT_EQ(kept->data, (std::vector<std::uint8_t>{1, 2, 3}));
    EXPECT_FALSE(info.LoadIcon("noicon.exe"));
    EXPECT_EQ(info.Icon, nullptr);
    EXPECT_EQ(icons.indexes, (std::vector<std::uint32_t>{0, 0, 0}));
}

} // namespace

namespace {

// The host: a process id yields the real executable of that process.
TEST(HostModuleInforTest, AProcessIdYieldsItsRealExecutable) {
    ScopedService<SystemInfo> systemGuard{&Services::systemInfo, &hostSystemInfo()};
    ScopedService<Processes> processesGuard{&Services::processes, &hostProcesses()};
    ScopedService<Files> filesGuard{&Services::files, &hostFiles()};
    vrx::test::ScopedMessageBoxHook boxes;

    TModuleInfor info;
    const std::string executable =
        std::filesystem::canonical("/proc/self/exe").string(); // the test binary itself
    EXPECT_EQ(info.GetProcessPath(hostSystemInfo().currentProcessId()), executable);
    EXPECT_EQ(info.GetProcessPath(0), "");
    EXPECT_TRUE(info.GetFileDate(executable));
    EXPECT_GT(info.CreationDate, 0.0);
    EXPECT_TRUE(boxes.asked.empty());
}

TEST(HostModuleInforTest, SmallPeFilesThroughTheHostsVersionResources) {
    ScopedService<SystemInfo> systemGuard{&Services::systemInfo, &hostSystemInfo()};
    ScopedService<VersionResources> versionsGuard{&Services::versionResources,
                                                  &hostVersionResources()};
    vrx::test::ScopedMessageBoxHook boxes;
    QTemporaryDir folder;
    auto build = [&](const char* name, const std::string& product) {
        // The translation names the Unicode code page, the only table is 04E4, and there is
        // no CompanyName.
        auto info = vrx::test::FakeVersionResources::versionInfo(
            {{"ProductName", product}, {"FileVersion", "5.0"}}, {5, 0, 0, 0});
        info.translations = {{0x0409, 0x04B0}};
        const std::string path = folder.filePath(name).toStdString();
        EXPECT_TRUE(vrx::test::PeFileBuilder()
                        .add(vrx::os::PeResources::kVersion, 1, vrx::os::version_block::write(info))
                        .writeTo(path));
        return path;
    };
    const std::string small = build("small.exe", "Mixed Tables");
    const std::string large = build("large.exe", std::string(3000, 'x'));

    TModuleInfor info;
    ASSERT_TRUE(info.LoadVersionInfo(small));
    EXPECT_STREQ(info.Value(vkProductName), "Mixed Tables"); // read from the 04E4 table
    EXPECT_STREQ(info.Value(vkFileVersion), "5.0");
    EXPECT_STREQ(info.Value(vkCompanyName), "");
    const std::int32_t smallBuffer = info.VersionBufferSize();

    ASSERT_TRUE(info.LoadVersionInfo(large));
    EXPECT_GT(info.VersionBufferSize(), smallBuffer);
    const std::int32_t largeBuffer = info.VersionBufferSize();
    ASSERT_TRUE(info.LoadVersionInfo(small));
    EXPECT_EQ(info.VersionBufferSize(), largeBuffer); // it never shrinks
    EXPECT_STREQ(info.Value(vkProductName), "Mixed Tables");
}

} // namespace
