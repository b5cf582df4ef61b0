#include "Application/utils/AddressText.h"

#include "Platform/os/Network.h"

#include <algorithm>
#include <charconv>

namespace {

/// The integer value of a part as decimal text with an optional sign; 0 when the part is not
/// such a number or does not fit 32 bits.
std::int32_t partValue(const std::string& part) {
    const char* begin = part.data();
    const char* end = begin + part.size();
    if (begin != end && *begin == '+' && begin + 1 != end && begin[1] != '-')
        ++begin;
    std::int32_t value = 0;
    const auto [stop, failure] = std::from_chars(begin, end, value);
    if (failure != std::errc() || stop != end)
        return 0;
    return value;
}

/// Removes leading and trailing blanks and control characters.
std::string trimmed(const std::string& text) {
    const auto isBlank = [](char c) { return static_cast<unsigned char>(c) <= ' '; };
    const auto first = std::find_if_not(text.begin(), text.end(), isBlank);
    const auto last = std::find_if_not(text.rbegin(), text.rend(), isBlank).base();
    return first < last ? std::string(first, last) : std::string();
}

} // namespace

std::string NormalizeIP(const std::string& text) {
    std::string rest;
    std::copy_if(text.begin(), text.end(), std::back_inserter(rest),
                 [](char c) { return c != ' '; });
    if (rest.empty())
        rest = "0.0.0.0";

    std::string result;
    while (!rest.empty()) {
        const std::size_t dot = rest.find('.');
        if (dot == std::string::npos) {
            result += std::to_string(partValue(rest));
            break;
        }
        const std::string part = trimmed(rest.substr(0, dot));
        result += part.empty() ? std::string("0") : std::to_string(partValue(part));
        result += '.';
        rest.erase(0, dot + 1);
    }
    return result;
}

void ClassfulMask(const std::uint32_t* address, std::uint32_t* mask) {
    const std::uint32_t host = vrx::os::htonl32(*address); // the swap is its own inverse
    std::uint32_t value = 0xFFFFFFFFu;
    if ((host & 0x80000000u) == 0)
        value = 0xFF000000u; // class A
    else if ((host & 0xC0000000u) == 0x80000000u)
        value = 0xFFFF0000u; // class B
    else if ((host & 0xE0000000u) == 0xC0000000u)
        value = 0xFFFFFF00u; // class C
    *mask = vrx::os::htonl32(value);
}
