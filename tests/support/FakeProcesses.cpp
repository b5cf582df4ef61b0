#include "tests/support/FakeProcesses.h"

#include "Platform/os/TextCopy.h"

#include <algorithm>
#include <memory>

namespace vrx::test {

using namespace vrx::os;

namespace {

struct FakeProcessObject : HandleObject {
    std::vector<std::string> modules; // the executable first
};

struct FakeSnapshotObject : HandleObject {
    std::vector<FakeProcesses::Process> processes;
    std::size_t next = 0;
};

} // namespace

void FakeProcesses::addProcess(std::uint32_t pid, std::string executable, Access access,
                               std::vector<std::string> modules) {
    removeProcess(pid);
    processes_.push_back({pid, std::move(executable), std::move(modules), access});
}

void FakeProcesses::removeProcess(std::uint32_t pid) {
    std::erase_if(processes_, [pid](const Process& p) { return p.pid == pid; });
}

void FakeProcesses::addLongPath(std::string shortPath, std::string longPath) {
    longPaths_[std::move(shortPath)] = std::move(longPath);
}

bool FakeProcesses::exists(const std::string& path) const {
    if (longPaths_.contains(path))
        return true;
    for (const auto& [shortPath, longPath] : longPaths_)
        if (longPath == path)
            return true;
    return std::any_of(processes_.begin(), processes_.end(), [&](const Process& p) {
        return p.executable == path ||
               std::find(p.modules.begin(), p.modules.end(), path) != p.modules.end();
    });
}

Handle FakeProcesses::openProcess(std::uint32_t, bool, std::uint32_t pid) {
    calls.emplace_back("openProcess");
    const auto it = std::find_if(processes_.begin(), processes_.end(),
                                 [pid](const Process& p) { return p.pid == pid; });
    if (pid == 0 || it == processes_.end()) {
        setLastError(error::kInvalidParameter);
        return kInvalidHandle;
    }
    if (it->access == Access::Denied) {
        setLastError(error::kAccessDenied);
        return kInvalidHandle;
    }
    auto object = std::make_shared<FakeProcessObject>();
    object->modules.push_back(it->executable);
    object->modules.insert(object->modules.end(), it->modules.begin(), it->modules.end());
    return HandleTable::instance().insert(std::move(object));
}

bool FakeProcesses::enumProcessModules(Handle process, std::uint32_t* modules, std::uint32_t cb,
                                       std::uint32_t& needed) {
    calls.emplace_back("enumProcessModules");
    const auto object = HandleTable::instance().get<FakeProcessObject>(process);
    if (!object) {
        setLastError(error::kInvalidHandle);
        return false;
    }
    const auto count = static_cast<std::uint32_t>(object->modules.size());
    needed = count * 4;
    const std::uint32_t fits = modules ? std::min(count, cb / 4) : 0;
    for (std::uint32_t i = 0; i < fits; ++i)
        modules[i] = i + 1;
    return true;
}

std::uint32_t FakeProcesses::getModuleFileNameEx(Handle process, std::uint32_t module, char* buffer,
                                                 std::uint32_t size) {
    calls.emplace_back("getModuleFileNameEx");
    const auto object = HandleTable::instance().get<FakeProcessObject>(process);
    if (!object) {
        setLastError(error::kInvalidHandle);
        return 0;
    }
    return moduleFileName(object->modules, module, buffer, size);
}

std::uint32_t FakeProcesses::getLongPathName(const std::string& shortPath, char* buffer,
                                             std::uint32_t size) {
    calls.emplace_back("getLongPathName");
    if (!exists(shortPath)) {
        setLastError(error::kFileNotFound);
        return 0;
    }
    const auto it = longPaths_.find(shortPath);
    const std::string& longPath = it == longPaths_.end() ? shortPath : it->second;
    const auto length = static_cast<std::uint32_t>(longPath.size());
    if (buffer == nullptr || size <= length)
        return length + 1;
    copyTextCut(longPath, buffer, size);
    return length;
}

Handle FakeProcesses::createToolhelp32Snapshot(std::uint32_t flags, std::uint32_t) {
    calls.emplace_back("createToolhelp32Snapshot");
    if (snapshotFails) {
        setLastError(error::kNotEnoughMemory);
        return kInvalidHandle;
    }
    auto object = std::make_shared<FakeSnapshotObject>();
    if (flags & kSnapProcess)
        object->processes = processes_;
    return HandleTable::instance().insert(std::move(object));
}

bool FakeProcesses::process32First(Handle snapshot, ProcessEntry32& entry) {
    calls.emplace_back("process32First");
    return step(snapshot, entry, Step::First);
}

bool FakeProcesses::process32Next(Handle snapshot, ProcessEntry32& entry) {
    calls.emplace_back("process32Next");
    return step(snapshot, entry, Step::Next);
}

bool FakeProcesses::step(Handle snapshot, ProcessEntry32& entry, Step which) {
    const auto object = HandleTable::instance().get<FakeSnapshotObject>(snapshot);
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
    if (object->next >= object->processes.size()) {
        setLastError(error::kNoMoreFiles);
        return false;
    }
    const Process& process = object->processes[object->next++];
    const std::uint32_t size = entry.dwSize;
    entry = ProcessEntry32{};
    entry.dwSize = size;
    entry.th32ProcessID = process.pid;
    entry.cntThreads = 1;
    copyTextCut(process.executable, entry.szExeFile, kMaxPath);
    return true;
}

} // namespace vrx::test
