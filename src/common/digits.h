// SPDX-License-Identifier: MIT
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// How every front end and report writes the machine's numbers: an address as two
// decimal digits, a register or half a word as four binary digits, the output as lamps.
namespace qzb {

// An output lamp lit and dark.
inline constexpr std::string_view lampOn = "●";
inline constexpr std::string_view lampOff = "○";

// An address (0-15) as two decimal digits: "07".
inline std::string addressDigits(int address) {
    return {static_cast<char>('0' + address / 10), static_cast<char>('0' + address % 10)};
}

// The low four bits of `value` as binary digits, the highest first: "0101".
inline std::string binaryDigits(int value) {
    std::string text;
    for (int bit = 3; bit >= 0; --bit) text += ((value >> bit) & 1) != 0 ? '1' : '0';
    return text;
}

// A word as its switches read: bits 7-4, a space, bits 3-0: "0101 0001".
inline std::string wordDigits(std::uint8_t word) {
    return binaryDigits(word >> 4) + ' ' + binaryDigits(word & 15);
}

// The low four bits of `value` as the output lamps, the highest first: "○●○●".
inline std::string lampGlyphs(int value) {
    std::string text;
    for (int bit = 3; bit >= 0; --bit) text += ((value >> bit) & 1) != 0 ? lampOn : lampOff;
    return text;
}

}  // namespace qzb
