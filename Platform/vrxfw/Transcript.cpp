#include "Platform/vrxfw/Transcript.h"

#include <cstdio>

namespace vrx::vrxfw {

namespace {

std::string hex(const std::vector<std::uint8_t>& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string text;
    text.reserve(bytes.size() * 2);
    for (const std::uint8_t byte : bytes) {
        text += digits[byte >> 4];
        text += digits[byte & 0x0F];
    }
    return text;
}

} // namespace

Transcript::Transcript(const std::string& path) : file_(path, std::ios::app), toFile_(true) {}

void Transcript::record(const Call& call) {
    std::lock_guard guard(lock_);
    if (!toFile_) {
        calls_.push_back(call);
        return;
    }
    if (file_.is_open()) {
        file_ << ++written_ << ' ' << format(call) << '\n';
        file_.flush();
    }
}

std::vector<Transcript::Call> Transcript::calls() const {
    std::lock_guard guard(lock_);
    return calls_;
}

void Transcript::clear() {
    std::lock_guard guard(lock_);
    calls_.clear();
}

std::string Transcript::format(const Call& call) {
    char code[16];
    std::snprintf(code, sizeof code, "0x%08X", call.code);
    // Appended piece by piece: GCC 12 warns falsely (-Wrestrict) on "literal" + std::string.
    std::string line = std::string("code=") + code;
    line += " in=";
    if (call.inPresent) {
        line += std::to_string(call.inLength);
        line += ':';
        line += hex(call.in);
    } else {
        line += "null/";
        line += std::to_string(call.inLength);
    }
    line += " out=";
    if (!call.outPresent)
        line += "null/";
    line += std::to_string(call.outLength);
    line += '/';
    line += std::to_string(call.bytesReturned);
    if (!call.out.empty()) {
        line += ':';
        line += hex(call.out);
    }
    if (call.succeeded) {
        line += " -> ok";
    } else {
        line += " -> failed error=";
        line += std::to_string(call.error);
    }
    if (call.answeredRecord) {
        line += " record=";
        line += hex(*call.answeredRecord);
    }
    return line;
}

} // namespace vrx::vrxfw
