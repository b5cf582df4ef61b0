#pragma once

#include <QByteArray>

#include <optional>

namespace vrx::test {

/// Sets (or, with no value, unsets) one environment variable for the guard's lifetime and
/// puts the previous state back after, so a test can point the host at folders of its own.
class ScopedEnvironment {
public:
    ScopedEnvironment(const char* name, const std::optional<QByteArray>& value)
        : name_(name),
          previous_(qEnvironmentVariableIsSet(name) ? std::optional(qgetenv(name)) : std::nullopt) {
        apply(value);
    }
    ~ScopedEnvironment() { apply(previous_); }
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;

private:
    void apply(const std::optional<QByteArray>& value) {
        if (value)
            qputenv(name_, *value);
        else
            qunsetenv(name_);
    }

    const char* name_;
    std::optional<QByteArray> previous_;
};

} // namespace vrx::test
