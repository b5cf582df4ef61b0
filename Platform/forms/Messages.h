#pragma once

#include <cstdint>

namespace vrx::forms {

/// The window messages that the framework's windows understand.
inline constexpr std::uint32_t WM_SYSCOMMAND = 274;
/// System command: move the window; the low four bits say how. With SC_DRAGMOVE the window
/// follows the mouse as if its title bar had been grabbed.
inline constexpr std::uint32_t SC_MOVE = 0xF010;
inline constexpr std::uint32_t SC_DRAGMOVE = 0xF012;

/// Message box flags and answers, by the window system's numbers.
inline constexpr std::uint32_t MB_OK = 0x00;
inline constexpr std::uint32_t MB_OKCANCEL = 0x01;
inline constexpr std::uint32_t MB_YESNO = 0x04;
inline constexpr std::uint32_t MB_ICONERROR = 0x10;
inline constexpr std::uint32_t MB_ICONQUESTION = 0x20;
inline constexpr std::uint32_t MB_ICONWARNING = 0x30;
inline constexpr std::uint32_t MB_ICONINFORMATION = 0x40;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
inline constexpr int IDYES = 6;
inline constexpr int IDNO = 7;

} // namespace vrx::forms
