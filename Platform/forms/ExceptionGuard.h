#pragma once

#include <exception>
#include <functional>
#include <utility>

namespace vrx::forms {

/// Where an exception goes that escapes an event handler run by the event loop: the
/// application object installs its standard error box here, so the program goes on.
using ExceptionSink = std::function<void(std::exception_ptr)>;

inline ExceptionSink& exceptionSink() {
    static ExceptionSink sink;
    return sink;
}

/// Runs a handler on behalf of the event loop; an exception it raises is shown, not lost and
/// never thrown through Qt.
template <typename F>
void guarded(F&& handler) {
    try {
        std::forward<F>(handler)();
    } catch (...) {
        if (const ExceptionSink& sink = exceptionSink())
            sink(std::current_exception());
    }
}

} // namespace vrx::forms
