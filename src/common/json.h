// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace qzb {

// `text` as a JSON string: in double quotes, with `"` and `\` escaped and every
// control character written as \u00XX.
inline std::string jsonString(std::string_view text) {
    constexpr std::string_view hex = "0123456789abcdef";
    std::string json = "\"";
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (c == '"' || c == '\\') {
            json += '\\';
            json += c;
        } else if (byte < 0x20) {
            json += "\\u00";
            json += hex[byte >> 4];
            json += hex[byte & 15];
        } else {
            json += c;
        }
    }
    return json + '"';
}

}  // namespace qzb
