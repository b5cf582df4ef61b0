#include "Platform/os/Sound.h"

#include "Platform/os/SoundPlayer.h"

#include <canberra.h>

namespace vrx::os {

namespace {

// Event sounds through libcanberra, which picks the desktop's sound system (or the driver
// named by $CANBERRA_DRIVER; "null" plays nothing). Without a sound card it fails to open or to
// play, and the player then drops the sound silently.
class CanberraBackend final : public SoundBackend {
public:
    // The context is made at once, on the caller's thread, where it reads its settings from
    // the environment ($CANBERRA_DRIVER); connecting to the device waits for the player's thread.
    CanberraBackend() {
        if (ca_context_create(&context_) != CA_SUCCESS)
            context_ = nullptr;
        else
            ca_context_change_props(context_, CA_PROP_APPLICATION_NAME, "VORNEX Personal Firewall",
                                    nullptr);
    }
    ~CanberraBackend() override {
        if (context_)
            ca_context_destroy(context_);
    }
    CanberraBackend(const CanberraBackend&) = delete;
    CanberraBackend& operator=(const CanberraBackend&) = delete;

    bool open(Finished finished) override {
        finished_ = std::move(finished);
        if (!context_ || ca_context_open(context_) != CA_SUCCESS) {
            if (context_)
                ca_context_destroy(context_);
            context_ = nullptr;
            return false;
        }
        return true;
    }

    bool play(std::uint32_t id, const std::optional<std::string>& file) override {
        ca_proplist* properties = nullptr;
        if (ca_proplist_create(&properties) != CA_SUCCESS)
            return false;
        if (file) {
            ca_proplist_sets(properties, CA_PROP_MEDIA_FILENAME, file->c_str());
            // The user may replace the file at any time: never play a cached copy.
            ca_proplist_sets(properties, CA_PROP_CANBERRA_CACHE_CONTROL, "never");
        } else {
            ca_proplist_sets(properties, CA_PROP_EVENT_ID, "bell");
        }
        const int result =
            ca_context_play_full(context_, id, properties, &CanberraBackend::ended, this);
        ca_proplist_destroy(properties);
        return result == CA_SUCCESS;
    }

    void cancel(std::uint32_t id) override { ca_context_cancel(context_, id); }

private:
    // Set once in open, before any sound starts, and only read after.
    static void ended(ca_context*, std::uint32_t id, int, void* userdata) {
        static_cast<CanberraBackend*>(userdata)->finished_(id);
    }

    Finished finished_;
    ca_context* context_ = nullptr;
};

} // namespace

Sound& hostSound() {
    static SoundPlayer player(std::make_unique<CanberraBackend>());
    return player;
}

} // namespace vrx::os
