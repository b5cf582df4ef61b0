#include "Platform/os/NamedMutexes.h"

#include "Platform/os/RuntimeFolder.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace vrx::os {

namespace {

/// The lock file's name for a mutex name: letters, digits, '-' and '_' stay, every other byte
/// becomes %XX, so no name can reach outside the folder or collide with another name. Names
/// too long for a file name keep a readable prefix and end in a hash of the whole name.
std::string lockFileName(const std::string& name) {
    std::string encoded;
    for (const unsigned char c : name) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
            c == '-' || c == '_') {
            encoded += static_cast<char>(c);
        } else {
            char escape[4];
            std::snprintf(escape, sizeof escape, "%%%02X", c);
            encoded += escape;
        }
    }
    constexpr std::size_t kMaxEncoded = 180;
    if (encoded.size() > kMaxEncoded) {
        std::uint64_t hash = 0xcbf29ce484222325ull; // FNV-1a: stable across builds and runs
        for (const unsigned char c : name)
            hash = (hash ^ c) * 0x100000001b3ull;
        char tail[20];
        std::snprintf(tail, sizeof tail, "~%016llx", static_cast<unsigned long long>(hash));
        encoded = encoded.substr(0, kMaxEncoded) + tail;
    }
    return "mutex-" + encoded + ".lock";
}

/// An open lock file. The holder of the name keeps the exclusive lock; a later creator of the
/// same name only keeps the file open. Closing the descriptor releases the lock.
class LockFileMutex final : public HandleObject {
public:
    explicit LockFileMutex(int fd) : fd_(fd) {}
    ~LockFileMutex() override { ::close(fd_); }
    LockFileMutex(const LockFileMutex&) = delete;
    LockFileMutex& operator=(const LockFileMutex&) = delete;

private:
    int fd_ = -1;
};

class LinuxNamedMutexes final : public NamedMutexes {
public:
    Handle createMutex(bool /*initialOwner*/, const std::string& name) override {
        const std::optional<std::string> folder = userRuntimeFolder();
        if (!folder) {
            setLastError(error::kAccessDenied);
            return kInvalidHandle;
        }
        const std::string path = *folder + "/" + lockFileName(name);
        const int fd = ::open(path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
        if (fd < 0) {
            setLastError(error::kAccessDenied);
            return kInvalidHandle;
        }
        // flock locks belong to the open file description, so a second open in this process
        // conflicts just as one in another process does.
        int locked = 0;
        do {
            locked = ::flock(fd, LOCK_EX | LOCK_NB);
        } while (locked != 0 && errno == EINTR);
        const bool taken = locked != 0 && errno == EWOULDBLOCK;
        if (locked != 0 && !taken) {
            ::close(fd);
            setLastError(error::kAccessDenied);
            return kInvalidHandle;
        }
        const Handle handle = HandleTable::instance().insert(std::make_shared<LockFileMutex>(fd));
        setLastError(taken ? error::kAlreadyExists : error::kSuccess);
        return handle;
    }
};

} // namespace

NamedMutexes& hostNamedMutexes() {
    static LinuxNamedMutexes mutexes;
    return mutexes;
}

} // namespace vrx::os
