#pragma once

#include "Platform/vrxfw/Device.h"
#include "Platform/vrxfw/ScenarioPlayer.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

namespace vrx::vrxfw {

/// Which device the program finds behind \\.\VRXFW, chosen by environment variables (see
/// README.md beside this file):
///
///     VRXFW_DEVICE      standin (the default), scenario, wrong-version or none
///     VRXFW_SCENARIO    the scenario file; on its own it selects "scenario"
///     VRXFW_VERSION     the version word of "wrong-version" (default 0x02000405)
///     VRXFW_TRANSCRIPT  a file to which every control call is appended
///     VRXFW_HOST        on (the default) or off: whether the machine's own endpoints and
///                       interface traffic show
struct DeviceChoice {
    enum class Kind { StandIn, Scenario, WrongVersion, None };
    enum class HostObservation { On, Off };

    Kind kind = Kind::StandIn;
    std::string scenarioPath;
    std::uint32_t version = kDriverVersion;
    std::string transcriptPath; // empty: none
    HostObservation host = HostObservation::On;
    /// What was wrong with the variables (an unknown word, a bad number): the default stood.
    std::vector<std::string> problems;

    /// Reads the variables through getenv, or through the given lookup (tests).
    using Lookup = std::function<std::optional<std::string>(const char* name)>;
    static DeviceChoice fromEnvironment(const Lookup& lookup = {});
};

/// The device as installed for the run: registered under both paths, with its scenario
/// playing, until the object is destroyed.
class InstalledDevice {
public:
    explicit InstalledDevice(const DeviceChoice& choice);
    ~InstalledDevice();
    InstalledDevice(const InstalledDevice&) = delete;
    InstalledDevice& operator=(const InstalledDevice&) = delete;

    /// Null for the choice "none".
    Driver* driver() const { return driver_.get(); }
    Transcript* transcript() const { return transcript_.get(); }
    ScenarioPlayer* player() const { return player_.get(); }
    /// The scenario file's problems (unreadable, lines left out), as "<file>:<line>: <text>".
    const std::vector<std::string>& problems() const { return problems_; }

private:
    std::shared_ptr<Driver> driver_;
    std::shared_ptr<Transcript> transcript_;
    std::unique_ptr<ScenarioPlayer> player_;
    std::vector<std::string> problems_;
};

/// Start-up's call, right after the host platform is installed: reads the variables, installs
/// the device they choose and reports their and the scenario's problems on the standard error.
std::unique_ptr<InstalledDevice> installDeviceFromEnvironment();

} // namespace vrx::vrxfw
