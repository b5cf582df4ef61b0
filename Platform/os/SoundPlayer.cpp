#include "Platform/os/SoundPlayer.h"

#include <sys/stat.h>

namespace vrx::os {

namespace {

bool isReadableFile(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 && S_ISREG(info.st_mode);
}

} // namespace

SoundPlayer::SoundPlayer(std::unique_ptr<SoundBackend> backend)
    : backend_(std::move(backend)), worker_([this] { run(); }) {}

SoundPlayer::~SoundPlayer() {
    {
        std::lock_guard guard(lock_);
        stopping_ = true;
    }
    wake_.notify_all();
    worker_.join();
    // Closed while the members its end callbacks touch are still there.
    backend_.reset();
}

bool SoundPlayer::playSound(const std::string& fileName, std::uint32_t flags) {
    Request request;
    if (fileName.empty()) {
        request.stopOnly = true;
    } else {
        if (flags & kSndNoStop && busy())
            return false;
        if (isReadableFile(fileName))
            request.file = fileName;
        else if (flags & kSndNoDefault)
            return false;
        ++pending_;
    }
    {
        std::lock_guard guard(lock_);
        queue_.push_back(std::move(request));
    }
    wake_.notify_one();
    return true;
}

void SoundPlayer::run() {
    bool opened = false;
    bool available = false;
    while (true) {
        Request request;
        {
            std::unique_lock guard(lock_);
            wake_.wait(guard, [this] { return stopping_ || !queue_.empty(); });
            if (stopping_)
                break;
            request = std::move(queue_.front());
            queue_.pop_front();
        }
        if (!opened) {
            opened = true;
            available = backend_->open([this](std::uint32_t sound) { ended(sound); });
        }
        // Without a device the sound is silently dropped.
        if (available)
            start(request);
        if (!request.stopOnly)
            --pending_;
    }
    if (available && current_ != 0)
        backend_->cancel(current_);
}

void SoundPlayer::start(const Request& request) {
    // The new sound is current before the old one is cancelled, so the old one's end does not
    // clear the mark of the new one.
    const std::uint32_t id = request.stopOnly ? 0 : nextId_++;
    const std::uint32_t previous = current_.exchange(id);
    if (previous != 0)
        backend_->cancel(previous);
    if (request.stopOnly)
        return;
    if (!backend_->play(id, request.file))
        ended(id);
}

void SoundPlayer::ended(std::uint32_t id) {
    std::uint32_t expected = id;
    current_.compare_exchange_strong(expected, 0);
}

} // namespace vrx::os
