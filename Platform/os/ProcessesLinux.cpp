#include "Platform/os/Processes.h"

#include "Platform/os/TextCopy.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <dirent.h>
#include <fstream>
#include <memory>
#include <mutex>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <unordered_map>
#include <vector>

namespace vrx::os {

namespace {

/// An opened process: what /proc said of it when it was opened. Module handles are the
/// 1-based positions in `modules`, so they stay the same for the life of the handle; module 0
/// names the executable, as the null module does on the platform.
struct ProcessObject : HandleObject {
    std::uint32_t pid = 0;
    std::shared_ptr<const std::vector<std::string>> modules; // the executable first
};

struct SnapshotObject : HandleObject {
    std::vector<ProcessEntry32> entries;
    std::size_t next = 0;
};

std::string procPath(std::uint32_t pid, const char* leaf) {
    return "/proc/" + std::to_string(pid) + "/" + leaf;
}

/// The target of a symbolic link, or none (errno tells why).
std::optional<std::string> readLink(const std::string& path) {
    std::string target(PATH_MAX, '\0');
    const ssize_t length = ::readlink(path.c_str(), target.data(), target.size());
    if (length < 0)
        return std::nullopt;
    target.resize(static_cast<std::size_t>(length));
    return target;
}

/// The mapped files of a process in the order of their first mapping, without the executable.
std::vector<std::string> mappedObjects(std::uint32_t pid, const std::string& executable) {
    std::vector<std::string> objects;
    std::ifstream maps(procPath(pid, "maps"));
    std::string line;
    while (std::getline(maps, line)) {
        // "start-end perms offset dev inode   path": the path is the first '/' after the inode.
        const auto slash = line.find('/');
        if (slash == std::string::npos)
            continue;
        std::string path = line.substr(slash);
        if (path == executable || std::find(objects.begin(), objects.end(), path) != objects.end())
            continue;
        objects.push_back(std::move(path));
    }
    return objects;
}

template <typename T>
bool parseNumber(std::string_view text, T& value) {
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc() && end == text.data() + text.size();
}

/// One snapshot entry from /proc/<pid>/stat and /proc/<pid>/exe; none when the process ended.
std::optional<ProcessEntry32> snapshotEntry(std::uint32_t pid) {
    std::ifstream statFile(procPath(pid, "stat"));
    std::string stat;
    if (!std::getline(statFile, stat))
        return std::nullopt;
    // "pid (comm) state ppid ...": the command may hold blanks and parentheses, so the fields
    // are counted from the last ')'.
    const auto close = stat.rfind(')');
    if (close == std::string::npos)
        return std::nullopt;
    std::vector<std::string_view> fields;
    std::string_view rest(stat);
    rest.remove_prefix(close + 1);
    while (!rest.empty()) {
        const auto start = rest.find_first_not_of(' ');
        if (start == std::string_view::npos)
            break;
        rest.remove_prefix(start);
        const auto end = std::min(rest.find(' '), rest.size());
        fields.push_back(rest.substr(0, end));
        rest.remove_prefix(end);
    }
    ProcessEntry32 entry;
    entry.th32ProcessID = pid;
    entry.pcPriClassBase = 8; // the normal priority class's base
    if (fields.size() > 17) {
        (void)parseNumber(fields[1], entry.th32ParentProcessID);
        (void)parseNumber(fields[17], entry.cntThreads);
    }
    // Another user's executable is unreadable: its name stays empty ("path unknown").
    if (const auto exe = readLink(procPath(pid, "exe")))
        copyTextCut(*exe, entry.szExeFile, kMaxPath);
    return entry;
}

std::vector<std::uint32_t> processIds() {
    std::vector<std::uint32_t> pids;
    std::unique_ptr<DIR, int (*)(DIR*)> proc(::opendir("/proc"), ::closedir);
    if (!proc)
        return pids;
    while (const dirent* item = ::readdir(proc.get())) {
        std::uint32_t pid = 0;
        if (parseNumber(std::string_view(item->d_name), pid) && pid != 0)
            pids.push_back(pid);
    }
    std::sort(pids.begin(), pids.end());
    return pids;
}

class LinuxProcesses final : public Processes {
public:
    Handle openProcess(std::uint32_t /*access*/, bool /*inheritHandle*/,
                       std::uint32_t pid) override {
        struct stat info {};
        if (pid == 0 || ::stat(("/proc/" + std::to_string(pid)).c_str(), &info) != 0) {
            setLastError(error::kInvalidParameter);
            return kInvalidHandle;
        }
        // Only the user's own processes may be read, as only they may be on the platform
        // without privileges; the executable link of the others is unreadable anyway.
        const uid_t self = ::geteuid();
        const auto executable = readLink(procPath(pid, "exe"));
        if ((self != 0 && info.st_uid != self) || !executable) {
            setLastError(error::kAccessDenied);
            return kInvalidHandle;
        }
        auto process = std::make_shared<ProcessObject>();
        process->pid = pid;
        process->modules = recentModules(pid, *executable);
        return HandleTable::instance().insert(std::move(process));
    }

    bool enumProcessModules(Handle process, std::uint32_t* modules, std::uint32_t cb,
                            std::uint32_t& needed) override {
        const auto object = HandleTable::instance().get<ProcessObject>(process);
        if (!object) {
            setLastError(error::kInvalidHandle);
            return false;
        }
        const auto count = static_cast<std::uint32_t>(object->modules->size());
        needed = count * 4;
        const std::uint32_t fits = modules ? std::min(count, cb / 4) : 0;
        for (std::uint32_t i = 0; i < fits; ++i)
            modules[i] = i + 1;
        return true;
    }

    std::uint32_t getModuleFileNameEx(Handle process, std::uint32_t module, char* buffer,
                                      std::uint32_t size) override {
        const auto object = HandleTable::instance().get<ProcessObject>(process);
        if (!object) {
            setLastError(error::kInvalidHandle);
            return 0;
        }
        return moduleFileName(*object->modules, module, buffer, size);
    }

    std::uint32_t getLongPathName(const std::string& shortPath, char* buffer,
                                  std::uint32_t size) override {
        if (shortPath.empty()) {
            setLastError(error::kInvalidParameter);
            return 0;
        }
        std::unique_ptr<char, void (*)(void*)> resolved(::realpath(shortPath.c_str(), nullptr),
                                                        std::free);
        if (!resolved) {
            setLastError(errno == ENOTDIR  ? error::kPathNotFound
                         : errno == EACCES ? error::kAccessDenied
                                           : error::kFileNotFound);
            return 0;
        }
        const std::string_view longPath(resolved.get());
        const auto length = static_cast<std::uint32_t>(longPath.size());
        if (buffer == nullptr || size <= length)
            return length + 1;
        copyTextCut(longPath, buffer, size);
        return length;
    }

    Handle createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t /*pid*/) override {
        // A process snapshot lists every process whatever pid is given, as on the platform.
        auto snapshot = std::make_shared<SnapshotObject>();
        if (flags & kSnapProcess) {
            for (const std::uint32_t pid : processIds())
                if (auto entry = snapshotEntry(pid))
                    snapshot->entries.push_back(*entry);
        }
        return HandleTable::instance().insert(std::move(snapshot));
    }

    bool process32First(Handle snapshot, ProcessEntry32& entry) override {
        return step(snapshot, entry, Step::First);
    }

    bool process32Next(Handle snapshot, ProcessEntry32& entry) override {
        return step(snapshot, entry, Step::Next);
    }

private:
    enum class Step { First, Next };

    static bool step(Handle snapshot, ProcessEntry32& entry, Step which) {
        const auto object = HandleTable::instance().get<SnapshotObject>(snapshot);
        if (!object) {
            setLastError(error::kInvalidHandle);
            return false;
        }
        if (entry.dwSize < sizeof(ProcessEntry32)) {
            setLastError(error::kInvalidParameter);
            return false;
        }
        if (which == Step::First)
            object->next = 0;
        if (object->next >= object->entries.size()) {
            setLastError(error::kNoMoreFiles);
            return false;
        }
        const std::uint32_t size = entry.dwSize;
        entry = object->entries[object->next++];
        entry.dwSize = size;
        return true;
    }

private:
    /// The executable and the mapped files of the process, as read at most kModulesAge ago.
    /// Reading a process's mappings costs tens of microseconds for a program with many
    /// libraries, and the access decision opens the process of every request; the list is read
    /// again when it is older, or when the process id now runs another executable.
    std::shared_ptr<const std::vector<std::string>> recentModules(std::uint32_t pid,
                                                                  const std::string& executable) {
        const auto now = std::chrono::steady_clock::now();
        std::lock_guard guard(cacheLock_);
        if (const auto found = modules_.find(pid); found != modules_.end() &&
                                                   found->second.modules->front() == executable &&
                                                   now - found->second.readAt <= kModulesAge)
            return found->second.modules;
        if (modules_.size() > kModulesKept)
            std::erase_if(modules_,
                          [&](const auto& item) { return now - item.second.readAt > kModulesAge; });
        auto modules = std::make_shared<std::vector<std::string>>();
        modules->push_back(executable);
        for (auto& object : mappedObjects(pid, executable))
            modules->push_back(std::move(object));
        modules_[pid] = {now, modules};
        return modules;
    }

    static constexpr std::chrono::seconds kModulesAge{1};
    static constexpr std::size_t kModulesKept = 256;
    struct RecentModules {
        std::chrono::steady_clock::time_point readAt;
        std::shared_ptr<const std::vector<std::string>> modules;
    };
    std::mutex cacheLock_;
    std::unordered_map<std::uint32_t, RecentModules> modules_;
};

} // namespace

std::uint32_t moduleFileName(const std::vector<std::string>& modules, std::uint32_t module,
                             char* buffer, std::uint32_t size) {
    const std::uint32_t index = module == 0 ? 0 : module - 1;
    if (index >= modules.size()) {
        setLastError(error::kInvalidParameter);
        return 0;
    }
    if (buffer == nullptr || size == 0) {
        setLastError(error::kInsufficientBuffer);
        return 0;
    }
    return copyTextCut(modules[index], buffer, size);
}

Processes& hostProcesses() {
    static LinuxProcesses processes;
    return processes;
}

} // namespace vrx::os
