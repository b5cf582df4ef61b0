#include "Application/store/MemoryStream.h"

#include <algorithm>
#include <cstring>

std::int64_t TMemoryStream::Read(void* buffer, std::int64_t count) {
    const std::int64_t n =
        std::clamp<std::int64_t>(FSize - FPosition, 0, std::max<std::int64_t>(count, 0));
    if (n > 0)
        std::memcpy(buffer, FData.data() + FPosition, static_cast<std::size_t>(n));
    FPosition += n;
    return n;
}

std::int64_t TMemoryStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const std::int64_t end = FPosition + count;
    if (end > FSize) {
        Reserve(end);
        // Bytes between the old end and a position beyond it read as zero.
        if (FPosition > FSize)
            std::memset(FData.data() + FSize, 0, static_cast<std::size_t>(FPosition - FSize));
        FSize = end;
    }
    std::memcpy(FData.data() + FPosition, buffer, static_cast<std::size_t>(count));
    FPosition = end;
    return count;
}

std::int64_t TMemoryStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    FPosition = SeekTarget(offset, origin, FPosition, FSize);
    return FPosition;
}

void TMemoryStream::SetSize(std::int64_t size) {
    size = std::max<std::int64_t>(size, 0);
    if (size > FSize) {
        Reserve(size);
        std::memset(FData.data() + FSize, 0, static_cast<std::size_t>(size - FSize));
    }
    FSize = size;
    FPosition = std::min(FPosition, FSize);
}

void TMemoryStream::Reserve(std::int64_t capacity) {
    if (capacity <= static_cast<std::int64_t>(FData.size()))
        return;
    // Geometric growth keeps a stream written in small pieces linear in time.
    const auto grown = std::max<std::size_t>(static_cast<std::size_t>(capacity), FData.size() * 2);
    FData.resize(std::max<std::size_t>(grown, 256));
}
