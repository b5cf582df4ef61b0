#pragma once

#include <cstdint>
#include <string>

/// Address texts as the user types them, made tidy for storing and for inet_addr: spaces
/// removed, each dotted part its decimal value ("001" becomes "1", a part that is no number
/// "0"), the empty text "0.0.0.0". The number of parts and their range are not checked.
std::string NormalizeIP(const std::string& text);

/// The classful network mask of an address (both in network order): class A 255.0.0.0,
/// class B 255.255.0.0, class C 255.255.255.0, classes D and E 255.255.255.255.
void ClassfulMask(const std::uint32_t* address, std::uint32_t* mask);
