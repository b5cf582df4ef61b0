#include "Platform/os/Sound.h"
#include "Platform/os/SoundPlayer.h"

#include "tests/support/ScopedEnvironment.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <vector>

using namespace vrx::os;

namespace {

constexpr std::uint32_t kAlertFlags =
    kSndAsync | kSndNoDefault | kSndNoStop | kSndNoWait | kSndFilename; // as the alert is played

// A sound device the test controls: sounds play until the test ends them, and opening can be
// held up to show that the caller does not wait for it.
class ControlledBackend final : public SoundBackend {
public:
    struct Event {
        enum Kind { Play, Cancel } kind;
        std::uint32_t id = 0;
        std::optional<std::string> file;
    };

    bool open(Finished finished) override {
        std::unique_lock guard(lock);
        this->finished = std::move(finished);
        openedWhileHeld =
            changed.wait_for(guard, std::chrono::seconds(10), [this] { return !holdOpen; });
        return deviceAvailable;
    }
    bool play(std::uint32_t id, const std::optional<std::string>& file) override {
        std::lock_guard guard(lock);
        events.push_back({Event::Play, id, file});
        changed.notify_all();
        return true;
    }
    void cancel(std::uint32_t id) override {
        std::lock_guard guard(lock);
        events.push_back({Event::Cancel, id, {}});
        changed.notify_all();
    }

    // Waits (at most ten seconds) until `count` events have come.
    std::vector<Event> waitForEvents(std::size_t count) {
        std::unique_lock guard(lock);
        changed.wait_for(guard, std::chrono::seconds(10), [&] { return events.size() >= count; });
        return events;
    }
    void release() {
        std::lock_guard guard(lock);
        holdOpen = false;
        changed.notify_all();
    }
    void end(std::uint32_t id) { finished(id); }

    std::mutex lock;
    std::condition_variable changed;
    std::vector<Event> events;
    Finished finished;
    bool holdOpen = false;
    bool openedWhileHeld = false;
    bool deviceAvailable = true;
};

class SoundPlayerTest : public ::testing::Test {
protected:
    void SetUp() override {
        QFile file(wave);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("RIFF");
    }

    QTemporaryDir dir;
    const QString wave = dir.path() + "/Alert.WAV";
    const std::string file = wave.toStdString();
    const std::string missing = (dir.path() + "/missing.wav").toStdString();
    ControlledBackend* backend = new ControlledBackend;
    SoundPlayer player{std::unique_ptr<SoundBackend>(backend)};
};

} // namespace

TEST_F(SoundPlayerTest, TheCallerNeverWaitsForTheDevice) {
    {
        std::lock_guard guard(backend->lock);
        backend->holdOpen = true;
    }
    // Returns although the device is not open yet; the sound starts once it is.
    EXPECT_TRUE(player.playSound(file, kAlertFlags));
    backend->release();
    const auto events = backend->waitForEvents(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].file, file);
    EXPECT_TRUE(backend->openedWhileHeld);
}

TEST_F(SoundPlayerTest, NoStopLeavesAPlayingSoundAloneAndAnythingElseReplacesIt) {
    ASSERT_TRUE(player.playSound(file, kAlertFlags));
    const std::uint32_t first = backend->waitForEvents(1).at(0).id;
    EXPECT_FALSE(player.playSound(file, kAlertFlags)); // refused while the first one plays

    ASSERT_TRUE(player.playSound(file, kSndAsync | kSndFilename));
    const auto events = backend->waitForEvents(3);
    ASSERT_EQ(events.size(), 3u);
    EXPECT_EQ(events[1].kind, ControlledBackend::Event::Cancel);
    EXPECT_EQ(events[1].id, first);
    EXPECT_EQ(events[2].kind, ControlledBackend::Event::Play);

    backend->end(first); // the cancelled sound's end does not end the new one
    EXPECT_FALSE(player.playSound(file, kAlertFlags));
    backend->end(events[2].id);
    EXPECT_TRUE(player.playSound(file, kAlertFlags));
}

TEST_F(SoundPlayerTest, AMissingFilePlaysTheDefaultSoundUnlessToldNot) {
    EXPECT_FALSE(player.playSound(missing, kAlertFlags));
    ASSERT_TRUE(player.playSound(missing, kSndAsync | kSndFilename));
    const auto events = backend->waitForEvents(1);
    ASSERT_EQ(events.size(), 1u);
    EXPECT_EQ(events[0].file, std::nullopt); // the default event sound
}

TEST_F(SoundPlayerTest, WithoutADeviceSoundsAreDroppedSilently) {
    backend->deviceAvailable = false;
    EXPECT_TRUE(player.playSound(file, kAlertFlags));
    // Once the dropped sound is done with, the player is not left busy.
    bool accepted = false;
    for (int attempt = 0; attempt < 1000 && !accepted; ++attempt) {
        accepted = player.playSound(file, kAlertFlags);
        if (!accepted)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    EXPECT_TRUE(accepted);
    EXPECT_TRUE(backend->events.empty());
}

TEST_F(SoundPlayerTest, AnEmptyNameStopsTheSoundThatPlays) {
    ASSERT_TRUE(player.playSound(file, kAlertFlags));
    const std::uint32_t first = backend->waitForEvents(1).at(0).id;
    EXPECT_TRUE(player.playSound("", 0));
    const auto events = backend->waitForEvents(2);
    ASSERT_EQ(events.size(), 2u);
    EXPECT_EQ(events[1].kind, ControlledBackend::Event::Cancel);
    EXPECT_EQ(events[1].id, first);
    EXPECT_TRUE(player.playSound(file, kAlertFlags)); // nothing plays any more
}

// The host's player, kept silent with libcanberra's null driver.
TEST(HostSound, PlaysTheAlertFileSilentlyWithTheNullDriver) {
    vrx::test::ScopedEnvironment driver{"CANBERRA_DRIVER", QByteArray("null")};
    Sound& sound = hostSound();
    EXPECT_TRUE(sound.playSound(VRX_ALERT_SOUND, kAlertFlags));
    EXPECT_FALSE(sound.playSound("/nonexistent/Alert.WAV", kAlertFlags & ~kSndNoStop));
}
