#pragma once

#include <cstdint>
#include <fstream>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

namespace vrx::vrxfw {

/// A record of every control call the stand-in served, kept in memory and, when a file is
/// given, also written to it, one line per call, as the call returns:
///
///     <n> code=0x71060000 in=4:FFFFFFFF out=4/4:06040002 -> ok
///     <n> code=0x71060004 in=null/4 out=null/4/0 -> ok
///     <n> code=0x7106C814 in=28:0100000000... out=null/0/0 -> failed error=87 record=<28 bytes>
///
/// `in=<length>:<hex>` is the input as the caller passed it (`null/<length>` for no buffer);
/// `out=<length>/<returned>:<hex>` the output's declared length, the bytes returned and those
/// bytes as the driver wrote them; `record=` the answered request read through the answer's
/// reference. Bytes are in hexadecimal, two digits each, in buffer order.
class Transcript {
public:
    struct Call {
        std::uint32_t code = 0;
        bool inPresent = false;
        std::uint32_t inLength = 0;
        std::vector<std::uint8_t> in; // the whole input, copied before the call
        bool outPresent = false;
        std::uint32_t outLength = 0;
        std::uint32_t bytesReturned = 0;
        std::vector<std::uint8_t> out; // the first bytesReturned bytes after the call
        bool succeeded = false;
        std::uint32_t error = 0; // the last error of a failed call
        std::optional<std::vector<std::uint8_t>> answeredRecord;
    };

    /// In memory only (tests read it back with calls()).
    Transcript() = default;
    /// Appended to a file only: a run of the program makes some ten calls a second, so
    /// keeping them in memory as well would grow without end. A file that cannot be opened
    /// records nothing.
    explicit Transcript(const std::string& path);

    void record(const Call& call);
    std::vector<Call> calls() const;
    void clear();

    /// The line written for a call (without its number).
    static std::string format(const Call& call);

private:
    mutable std::mutex lock_;
    std::vector<Call> calls_;
    std::ofstream file_;
    bool toFile_ = false;
    std::uint64_t written_ = 0;
};

} // namespace vrx::vrxfw
