#pragma once

#include <cstdint>
#include <stdexcept>
#include <string>

/// Where a seek offset is counted from. The values are the stored origin codes 0, 1 and 2.
enum class TSeekOrigin : std::uint16_t {
    soBeginning = 0,
    soCurrent = 1,
    soEnd = 2,
};

/// Raised by a stream that cannot do what it was asked (a filter that cannot read, write or seek,
/// an unknown seek origin).
class EStreamError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

/// Raised when fewer bytes than required could be read (ReadBuffer, CopyFrom) or when the
/// device behind a stream reports a read failure.
class EReadError : public EStreamError {
public:
    EReadError() : EStreamError("Stream read error") {}
};

/// Raised when a stream accepted fewer bytes than given (WriteBuffer, CopyFrom) or when the
/// device behind a stream reports a write failure.
class EWriteError : public EStreamError {
public:
    EWriteError() : EStreamError("Stream write error") {}
};

/// Raised when a file stream cannot open or create its file.
class EFOpenError : public EStreamError {
public:
    using EStreamError::EStreamError;
};

/// A byte stream with a position, the layer on which the cipher filters and the table stream
/// format are stacked: a filter is itself a stream over an inner stream, so a reader of the table
/// format sees plaintext whether it reads from memory, a file or a decrypting filter over a file.
///
/// Qt's QIODevice was not used for this: the filters must be able to refuse reading, writing or
/// seeking with an error that names the filter, and their seek works with the three origins and
/// block rounding of the cipher container, neither of which QIODevice's position-only seek and
/// status returns express. Files are reached through Qt (TFileStream) below this interface.
///
/// Read and Write move at most `count` bytes and return how many they moved; a short count is
/// how a stream reports the end of its data or a refused write. ReadBuffer, WriteBuffer and
/// CopyFrom turn a short count into an exception.
class TStream {
public:
    TStream() = default;
    TStream(const TStream&) = delete;
    TStream& operator=(const TStream&) = delete;
    virtual ~TStream() = default;

    virtual std::int64_t Read(void* buffer, std::int64_t count) = 0;
    virtual std::int64_t Write(const void* buffer, std::int64_t count) = 0;
    /// Moves the position and returns the new one.
    virtual std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) = 0;

    /// The size as the end position reports it; the position is left where it was.
    virtual std::int64_t Size();

    std::int64_t Position() { return Seek(0, TSeekOrigin::soCurrent); }
    void SetPosition(std::int64_t position) { Seek(position, TSeekOrigin::soBeginning); }

    /// Reads exactly `count` bytes or raises EReadError.
    void ReadBuffer(void* buffer, std::int64_t count);
    /// Writes exactly `count` bytes or raises EWriteError.
    void WriteBuffer(const void* buffer, std::int64_t count);
    /// Copies `count` bytes from the source's position; a count of 0 copies the whole source from
    /// its start. Raises EReadError or EWriteError on a short transfer. Returns the bytes copied.
    std::int64_t CopyFrom(TStream& source, std::int64_t count);
};

/// The target of a seek from `offset` and `origin` in a stream of `size` bytes at `position`;
/// raises "Invalid seek origin" for an origin code other than 0, 1 or 2. Targets before the start
/// are taken as the start.
std::int64_t SeekTarget(std::int64_t offset, TSeekOrigin origin, std::int64_t position,
                        std::int64_t size);

/// Raises the error for a seek origin code other than 0, 1 or 2.
[[noreturn]] void RaiseInvalidSeekOrigin();
