#include "Application/store/FileStream.h"

#include <QFile>
#include <QSaveFile>

namespace {
QString ToQString(const std::string& path) {
    return QString::fromStdString(path);
}
} // namespace

TFileStream::TFileStream(const std::string& path, TFileMode mode) : FMode(mode) {
    QIODevice::OpenMode openMode;
    switch (mode) {
    case TFileMode::OpenRead:
        FFile = std::make_unique<QFile>(ToQString(path));
        openMode = QIODevice::ReadOnly;
        break;
    case TFileMode::OpenReadWrite:
        FFile = std::make_unique<QFile>(ToQString(path));
        openMode = QIODevice::ReadWrite | QIODevice::ExistingOnly;
        break;
    case TFileMode::Create:
        FFile = std::make_unique<QFile>(ToQString(path));
        openMode = QIODevice::ReadWrite | QIODevice::Truncate;
        break;
    case TFileMode::CreateReplacement:
        FFile = std::make_unique<QSaveFile>(ToQString(path));
        openMode = QIODevice::WriteOnly;
        break;
    }
    // Unbuffered where possible: a write error then shows in the Write that caused it instead of
    // at a flush the caller never sees.
    if (mode != TFileMode::CreateReplacement)
        openMode |= QIODevice::Unbuffered;
    if (!FFile->open(openMode)) {
        const char* verb = mode == TFileMode::OpenRead || mode == TFileMode::OpenReadWrite
                               ? "Cannot open file \""
                               : "Cannot create file \"";
        throw EFOpenError(verb + path + "\". " + FFile->errorString().toStdString());
    }
}

TFileStream::~TFileStream() = default;

std::int64_t TFileStream::Read(void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const qint64 n = FFile->read(static_cast<char*>(buffer), count);
    if (n < 0)
        throw EReadError();
    return n;
}

std::int64_t TFileStream::Write(const void* buffer, std::int64_t count) {
    if (count <= 0)
        return 0;
    const qint64 n = FFile->write(static_cast<const char*>(buffer), count);
    if (n < 0)
        throw EWriteError();
    return n;
}

std::int64_t TFileStream::Seek(std::int64_t offset, TSeekOrigin origin) {
    const std::int64_t target = SeekTarget(offset, origin, FFile->pos(), FFile->size());
    if (target != FFile->pos() && !FFile->seek(target))
        throw EStreamError("Cannot seek to position " + std::to_string(target) + " in file \"" +
                           FFile->fileName().toStdString() + "\"");
    return FFile->pos();
}

std::int64_t TFileStream::Size() {
    return FFile->size();
}

void TFileStream::Commit() {
    if (FMode != TFileMode::CreateReplacement)
        return;
    if (!static_cast<QSaveFile&>(*FFile).commit())
        throw EWriteError();
}
