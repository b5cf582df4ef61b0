#pragma once

#include "Platform/os/Sound.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>

namespace vrx::os {

/// What actually makes the sound: the host's sound library, or a test's stand-in.
class SoundBackend {
public:
    using Finished = std::function<void(std::uint32_t id)>;
    virtual ~SoundBackend() = default;
    /// Connects to the sound device; false when there is none (every sound is then dropped).
    /// `finished` runs, on any thread, when a started sound has ended or was cancelled.
    virtual bool open(Finished finished) = 0;
    /// Starts sound `id`: the file, or the system's default event sound when empty. False
    /// when it could not start.
    virtual bool play(std::uint32_t id, const std::optional<std::string>& file) = 0;
    virtual void cancel(std::uint32_t id) = 0;
};

/// Plays one sound at a time, as the platform does: a new sound stops the one playing unless
/// the caller asked not to (SND_NOSTOP, refused while one plays). The caller is never blocked:
/// connecting to the device and starting the sound happen on the player's own thread, so a
/// slow or missing sound device costs the window thread nothing, and every sound is played
/// asynchronously whether or not SND_ASYNC is given.
class SoundPlayer final : public Sound {
public:
    explicit SoundPlayer(std::unique_ptr<SoundBackend> backend);
    ~SoundPlayer() override;
    SoundPlayer(const SoundPlayer&) = delete;
    SoundPlayer& operator=(const SoundPlayer&) = delete;

    /// True when the sound was handed to the player. False for a missing file with
    /// SND_NODEFAULT, and with SND_NOSTOP while another sound plays. An empty name stops the
    /// sound that plays.
    bool playSound(const std::string& fileName, std::uint32_t flags) override;

private:
    struct Request {
        bool stopOnly = false;
        std::optional<std::string> file; // empty: the default event sound
    };

    void run();
    void start(const Request& request);
    void ended(std::uint32_t id);

    std::unique_ptr<SoundBackend> backend_;
    std::mutex lock_;
    std::condition_variable wake_;
    std::deque<Request> queue_;
    bool stopping_ = false;
    // A sound is busy from the moment it is accepted (pending) until it has ended (current),
    // so SND_NOSTOP is answered at once without asking the worker.
    bool busy() const { return pending_ > 0 || current_ != 0; }
    std::atomic<int> pending_ = 0;
    std::atomic<std::uint32_t> current_ = 0; // 0: none plays
    std::uint32_t nextId_ = 1;
    std::thread worker_;
};

} // namespace vrx::os
