#pragma once

#include <concepts>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string>
#include <string_view>
#include <variant>

/// The program's string table: every message the user sees, by numeric id, in UTF-8. Texts keep
/// their blanks and their line breaks (CR LF) as the windows show them.

/// The text of a string-table entry; the empty text for an id the table does not hold.
std::string LoadStr(int id);

/// One value for a placeholder of a string-table text: a text or an integer.
class FormatArg {
public:
    FormatArg(const char* text) : value_(std::string(text ? text : "")) {}
    FormatArg(std::string text) : value_(std::move(text)) {}
    FormatArg(std::string_view text) : value_(std::string(text)) {}
    template <std::signed_integral T>
    FormatArg(T number) : value_(static_cast<std::int64_t>(number)) {}
    template <std::unsigned_integral T>
    FormatArg(T number) : value_(static_cast<std::uint64_t>(number)) {}

    using Value = std::variant<std::string, std::int64_t, std::uint64_t>;
    const Value& value() const { return value_; }

private:
    Value value_;
};

namespace string_table_detail {
std::string format(int id, std::span<const FormatArg> args);
} // namespace string_table_detail

/// The text of a string-table entry with its C-style placeholders (%s, %d, %u, %x, %X with
/// flags, width and precision, e.g. %2.2X; %% is a percent sign) filled from the arguments in
/// order. The format always comes from the table, so text from outside can never act as a
/// format. A placeholder without an argument fills nothing; surplus arguments are ignored; a
/// number for %s shows in decimal and a text for a numeric placeholder shows as it is.
template <typename... Args>
std::string FormatStr(int id, const Args&... args) {
    const FormatArg values[] = {FormatArg(args)..., FormatArg("")};
    return string_table_detail::format(id, std::span<const FormatArg>(values, sizeof...(Args)));
}
