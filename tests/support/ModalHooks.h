#pragma once

#include "Platform/forms/Application.h"
#include "Platform/forms/Messages.h"

#include <utility>
#include <vector>

namespace vrx::test {

/// Answers every modal form shown while it lives, and puts the previous hook back.
class ScopedModalHook {
public:
    explicit ScopedModalHook(forms::ModalHook hook)
        : previous_(forms::Application->SetModalHook(std::move(hook))) {}
    ~ScopedModalHook() { forms::Application->SetModalHook(std::move(previous_)); }
    ScopedModalHook(const ScopedModalHook&) = delete;
    ScopedModalHook& operator=(const ScopedModalHook&) = delete;

private:
    forms::ModalHook previous_;
};

/// Answers every message box with the given button and records what was asked.
class ScopedMessageBoxHook {
public:
    explicit ScopedMessageBoxHook(int answer = forms::IDOK)
        : previous_(forms::Application->SetMessageBoxHook(
              [this, answer](const forms::MessageBoxRequest& request) {
                  asked.push_back(request);
                  return answer;
              })) {}
    ~ScopedMessageBoxHook() { forms::Application->SetMessageBoxHook(std::move(previous_)); }
    ScopedMessageBoxHook(const ScopedMessageBoxHook&) = delete;
    ScopedMessageBoxHook& operator=(const ScopedMessageBoxHook&) = delete;

    std::vector<forms::MessageBoxRequest> asked;

private:
    forms::MessageBoxHook previous_;
};

} // namespace vrx::test
