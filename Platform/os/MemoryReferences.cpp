#include "Platform/os/MemoryReferences.h"

#include <cstring>
#include <mutex>
#include <unordered_map>

namespace vrx::os {

namespace {

struct Published {
    unsigned char* data = nullptr;
    std::size_t length = 0;
};

struct ReferenceTable {
    std::mutex lock;
    std::unordered_map<MemoryReference, Published> buffers;
    MemoryReference next = 1;

    static ReferenceTable& instance() {
        static ReferenceTable table;
        return table;
    }

    // Caller holds the lock.
    MemoryReference take() {
        for (;;) {
            const MemoryReference candidate = next++;
            if (candidate == kNoMemoryReference || candidate == 0xFFFFFFFFu)
                continue;
            if (!buffers.contains(candidate))
                return candidate;
        }
    }

    // Caller holds the lock. The buffer's range [offset, offset + length), or null.
    unsigned char* range(MemoryReference reference, std::size_t offset, std::size_t length) {
        const auto it = buffers.find(reference);
        if (it == buffers.end())
            return nullptr;
        const Published& published = it->second;
        if (offset > published.length || length > published.length - offset)
            return nullptr;
        return published.data + offset;
    }
};

} // namespace

MemoryReference publishMemory(void* buffer, std::size_t length) {
    auto& table = ReferenceTable::instance();
    std::lock_guard guard(table.lock);
    const MemoryReference reference = table.take();
    table.buffers.emplace(reference, Published{static_cast<unsigned char*>(buffer), length});
    return reference;
}

bool withdrawMemory(MemoryReference reference) {
    auto& table = ReferenceTable::instance();
    std::lock_guard guard(table.lock);
    return table.buffers.erase(reference) == 1;
}

bool readMemory(MemoryReference reference, std::size_t offset, void* destination,
                std::size_t length) {
    auto& table = ReferenceTable::instance();
    std::lock_guard guard(table.lock);
    const unsigned char* source = table.range(reference, offset, length);
    if (!source)
        return false;
    if (length > 0)
        std::memcpy(destination, source, length);
    return true;
}

bool writeMemory(MemoryReference reference, std::size_t offset, const void* source,
                 std::size_t length) {
    auto& table = ReferenceTable::instance();
    std::lock_guard guard(table.lock);
    unsigned char* destination = table.range(reference, offset, length);
    if (!destination)
        return false;
    if (length > 0)
        std::memcpy(destination, source, length);
    return true;
}

std::size_t publishedMemoryCount() {
    auto& table = ReferenceTable::instance();
    std::lock_guard guard(table.lock);
    return table.buffers.size();
}

} // namespace vrx::os
