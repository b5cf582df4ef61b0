#pragma once

#include "Platform/os/Handles.h"

#include <cstdint>
#include <string>

namespace vrx::os {

/// A file time: 100-nanosecond intervals since 1601-01-01 00:00 UTC.
struct FileTime {
    std::uint32_t dwLowDateTime = 0;
    std::uint32_t dwHighDateTime = 0;
};

/// A calendar time as the platform splits it.
struct SystemTime {
    std::uint16_t wYear = 0;
    std::uint16_t wMonth = 0;
    std::uint16_t wDayOfWeek = 0;
    std::uint16_t wDay = 0;
    std::uint16_t wHour = 0;
    std::uint16_t wMinute = 0;
    std::uint16_t wSecond = 0;
    std::uint16_t wMilliseconds = 0;
};

/// What a file search reports of one file.
struct FindData {
    std::uint32_t dwFileAttributes = 0;
    FileTime ftCreationTime;
    FileTime ftLastAccessTime;
    FileTime ftLastWriteTime;
    std::uint64_t fileSize = 0;
    std::string fileName; // the name without its folder
};

/// File searches. On the Linux host the creation time is the file's birth time where the file
/// system keeps one, its modification time otherwise.
class Files {
public:
    virtual ~Files() = default;

    /// The first file that matches the path (a plain path, or '*' and '?' in its last part);
    /// kInvalidHandle (last error 2) when none does.
    virtual Handle findFirstFile(const std::string& pattern, FindData& data) = 0;
    virtual bool findNextFile(Handle search, FindData& data) = 0;
    virtual bool findClose(Handle search) = 0;
};

/// Splits a file time into its calendar parts (UTC, no conversion to local time).
bool fileTimeToSystemTime(const FileTime& fileTime, SystemTime& systemTime);

/// The Linux host's implementation (its file: FilesLinux.cpp).
Files& hostFiles();

} // namespace vrx::os
