#include "Platform/vrxfw/DeviceChoice.h"

#include "Platform/vrxfw/HostObserver.h"

#include <charconv>
#include <cstdlib>
#include <fstream>
#include <iostream>
#include <sstream>

namespace vrx::vrxfw {

namespace {

std::optional<std::uint32_t> versionWord(std::string text) {
    int base = 10;
    if (text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X')) {
        text.erase(0, 2);
        base = 16;
    }
    std::uint32_t value = 0;
    const auto result = std::from_chars(text.data(), text.data() + text.size(), value, base);
    if (text.empty() || result.ec != std::errc() || result.ptr != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

DeviceChoice DeviceChoice::fromEnvironment(const Lookup& lookup) {
    const auto get = [&](const char* name) -> std::optional<std::string> {
        if (lookup)
            return lookup(name);
        const char* value = std::getenv(name);
        return value ? std::optional<std::string>(value) : std::nullopt;
    };
    DeviceChoice choice;
    const auto scenario = get("VRXFW_SCENARIO");
    if (scenario && !scenario->empty()) {
        choice.scenarioPath = *scenario;
        choice.kind = Kind::Scenario;
    }
    if (const auto device = get("VRXFW_DEVICE"); device && !device->empty()) {
        if (*device == "standin")
            choice.kind = Kind::StandIn;
        else if (*device == "scenario")
            choice.kind = Kind::Scenario;
        else if (*device == "wrong-version")
            choice.kind = Kind::WrongVersion;
        else if (*device == "none")
            choice.kind = Kind::None;
        else
            choice.problems.push_back("VRXFW_DEVICE: unknown device \"" + *device + "\"");
    }
    if (choice.kind == Kind::Scenario && choice.scenarioPath.empty()) {
        choice.problems.push_back("VRXFW_DEVICE=scenario needs VRXFW_SCENARIO");
        choice.kind = Kind::StandIn;
    }
    if (choice.kind == Kind::WrongVersion) {
        choice.version = 0x02000405u;
        if (const auto version = get("VRXFW_VERSION"); version && !version->empty()) {
            if (const auto word = versionWord(*version))
                choice.version = *word;
            else
                choice.problems.push_back("VRXFW_VERSION: not a number \"" + *version + "\"");
        }
    }
    if (const auto transcript = get("VRXFW_TRANSCRIPT"))
        choice.transcriptPath = *transcript;
    if (const auto host = get("VRXFW_HOST"); host && !host->empty()) {
        if (*host == "off")
            choice.host = HostObservation::Off;
        else if (*host != "on")
            choice.problems.push_back("VRXFW_HOST: on or off, not \"" + *host + "\"");
    }
    return choice;
}

InstalledDevice::InstalledDevice(const DeviceChoice& choice) {
    if (choice.kind == DeviceChoice::Kind::None) {
        // No backend: opening the device fails as it does on a machine without the driver.
        unregisterStandIn();
        return;
    }
    driver_ = std::make_shared<Driver>();
    driver_->setVersion(choice.version);
    if (choice.host == DeviceChoice::HostObservation::On)
        driver_->setHostView(std::make_shared<HostObserver>());
    if (!choice.transcriptPath.empty())
        transcript_ = std::make_shared<Transcript>(choice.transcriptPath);
    registerStandIn(std::make_shared<Device>(driver_, transcript_));

    if (choice.kind != DeviceChoice::Kind::Scenario)
        return;
    std::ifstream file(choice.scenarioPath);
    if (!file) {
        problems_.push_back(choice.scenarioPath + ": cannot be read");
        return;
    }
    std::ostringstream text;
    text << file.rdbuf();
    Scenario scenario = Scenario::parse(text.str());
    for (const auto& error : scenario.errors)
        problems_.push_back(choice.scenarioPath + ":" + std::to_string(error.line) + ": " +
                            error.message);
    player_ = std::make_unique<ScenarioPlayer>(driver_, std::move(scenario));
}

InstalledDevice::~InstalledDevice() {
    player_.reset(); // stops playing before the device goes
    if (driver_)
        unregisterStandIn();
}

std::unique_ptr<InstalledDevice> installDeviceFromEnvironment() {
    const DeviceChoice choice = DeviceChoice::fromEnvironment();
    for (const auto& problem : choice.problems)
        std::cerr << "vrxfw: " << problem << '\n';
    auto device = std::make_unique<InstalledDevice>(choice);
    for (const auto& problem : device->problems())
        std::cerr << "vrxfw: " << problem << '\n';
    return device;
}

} // namespace vrx::vrxfw
