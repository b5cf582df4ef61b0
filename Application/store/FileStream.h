#pragma once

#include "Application/store/Stream.h"

#include <memory>
#include <string>

class QFileDevice;

/// How a file stream opens its file.
enum class TFileMode {
    OpenRead,      // an existing file, reading only
    OpenReadWrite, // an existing file, reading and writing
    Create,        // the file created anew or truncated, reading and writing
    // The new content goes to a temporary file beside the target, which replaces the target in
    // one step on Commit; without a Commit (or when it fails) the target stays as it was.
    CreateReplacement,
};

/// A stream over a file on disk (through Qt). Opening failures raise EFOpenError; a read or write
/// failure of the device raises EReadError or EWriteError, so a damaged disk is never mistaken
/// for the end of the data.
class TFileStream : public TStream {
public:
    TFileStream(const std::string& path, TFileMode mode);
    ~TFileStream() override;

    std::int64_t Read(void* buffer, std::int64_t count) override;
    std::int64_t Write(const void* buffer, std::int64_t count) override;
    std::int64_t Seek(std::int64_t offset, TSeekOrigin origin) override;
    std::int64_t Size() override;

    /// For TFileMode::CreateReplacement: puts the written content in place of the target.
    /// Raises EWriteError when that fails (the target is then unchanged). Other modes: nothing.
    void Commit();

private:
    std::unique_ptr<QFileDevice> FFile;
    TFileMode FMode;
};
