#pragma once

#include "Application/store/Stream.h"

#include <cstdint>
#include <vector>

/// A stream over a growable block of memory. Writing past the end extends it (a gap left by a
/// seek beyond the end reads as zero bytes); the memory is kept when the stream is emptied, so
/// one stream can be reused for file after file without reallocating.
class TMemoryStream : public TStream {
public:
    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override { return FSize; }

    /// Sets the size; the position is kept but not beyond the new end.
    void SetSize(std::int64_t size);
    /// Empties the stream: size and position 0.
    void Clear() { SetSize(0); }

    /// The stream's bytes, Size() of them.
    const std::uint8_t* Memory() const { return FData.data(); }
    std::uint8_t* Memory() { return FData.data(); }

private:
    void Reserve(std::int64_t capacity);

    std::vector<std::uint8_t> FData; // capacity; the bytes past FSize are not part of the stream
    std::int64_t FSize = 0;
    std::int64_t FPosition = 0;
};
