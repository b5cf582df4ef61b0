#pragma once

#include <cstddef>
#include <cstdint>

namespace vrx::os {

/// 32-bit references to buffers of this process.
///
/// Some device protocols carry "the address, in the caller's memory, of a record" in a 4-byte
/// field, and the device reads the record through that address while the call runs. Our
/// process is 64-bit, so a pointer does not fit in the field. Instead the caller publishes the
/// buffer and writes the reference it gets into the field; the device resolves the reference
/// and copies from or into the buffer; the caller withdraws the reference once the call has
/// returned.
///
/// - A reference is never 0 (kNoMemoryReference) and never 0xFFFFFFFF, and no value is handed
///   out twice while the earlier one is still published, so a stale or forged field resolves to
///   nothing instead of to someone else's buffer.
/// - Copies are bounds-checked against the published length and run under the table's lock,
///   so a withdrawal from another thread never frees a buffer in the middle of a copy.
/// - The publisher keeps the buffer alive until it has withdrawn the reference.
/// - All functions may be called from any thread.
using MemoryReference = std::uint32_t;
inline constexpr MemoryReference kNoMemoryReference = 0;

/// Publishes length bytes at buffer; the reference that names them.
MemoryReference publishMemory(void* buffer, std::size_t length);

/// Withdraws a reference; false when it was not published.
bool withdrawMemory(MemoryReference reference);

/// Copies length bytes from offset in the referenced buffer to destination; false (nothing
/// copied) when the reference is unknown or the range lies outside the published buffer.
bool readMemory(MemoryReference reference, std::size_t offset, void* destination,
                std::size_t length);

/// Copies length bytes from source to offset in the referenced buffer; false as readMemory.
bool writeMemory(MemoryReference reference, std::size_t offset, const void* source,
                 std::size_t length);

/// The number of references published now (for leak checks).
std::size_t publishedMemoryCount();

/// Publishes a buffer for the lifetime of the object.
///     PublishedMemory published(&record, sizeof record);
///     std::memcpy(input, &published.reference(), 4);  // then the control call
class PublishedMemory {
public:
    PublishedMemory(void* buffer, std::size_t length) : reference_(publishMemory(buffer, length)) {}
    ~PublishedMemory() { withdrawMemory(reference_); }
    PublishedMemory(const PublishedMemory&) = delete;
    PublishedMemory& operator=(const PublishedMemory&) = delete;

    MemoryReference reference() const { return reference_; }

private:
    MemoryReference reference_ = kNoMemoryReference;
};

} // namespace vrx::os
