#include "Application/store/Stream.h"

#include <algorithm>
#include <vector>

namespace {
// The chunk in which CopyFrom moves data: large enough that the cipher filters can work on many
// blocks per call.
constexpr std::int64_t kCopyChunk = 64 * 1024;
} // namespace

std::int64_t TStream::Size() {
    const std::int64_t position = Seek(0, TSeekOrigin::soCurrent);
    const std::int64_t size = Seek(0, TSeekOrigin::soEnd);
    Seek(position, TSeekOrigin::soBeginning);
    return size;
}

void TStream::ReadBuffer(void* buffer, std::int64_t count) {
    if (count != 0 && Read(buffer, count) != count)
        throw EReadError();
}

void TStream::WriteBuffer(const void* buffer, std::int64_t count) {
    if (count != 0 && Write(buffer, count) != count)
        throw EWriteError();
}

std::int64_t TStream::CopyFrom(TStream& source, std::int64_t count) {
    if (count == 0) {
        source.SetPosition(0);
        count = source.Size();
    }
    const std::int64_t total = count;
    std::vector<char> chunk(static_cast<std::size_t>(std::min(count, kCopyChunk)));
    while (count > 0) {
        const std::int64_t n = std::min(count, kCopyChunk);
        source.ReadBuffer(chunk.data(), n);
        WriteBuffer(chunk.data(), n);
        count -= n;
    }
    return total;
}

void RaiseInvalidSeekOrigin() {
    throw EStreamError("Invalid seek origin");
}

std::int64_t SeekTarget(std::int64_t offset, TSeekOrigin origin, std::int64_t position,
                        std::int64_t size) {
    std::int64_t target = 0;
    switch (origin) {
    case TSeekOrigin::soBeginning:
        target = offset;
        break;
    case TSeekOrigin::soCurrent:
        target = position + offset;
        break;
    case TSeekOrigin::soEnd:
        target = size + offset;
        break;
    default:
        RaiseInvalidSeekOrigin();
    }
    return std::max<std::int64_t>(target, 0);
}
