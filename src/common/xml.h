// SPDX-License-Identifier: MIT
#pragma once

#include <string>
#include <string_view>

namespace qzb {

// `text` escaped for an XML attribute value or element text: the five characters XML gives a
// meaning to, and nothing else.
inline std::string xmlEscaped(std::string_view text) {
    std::string result;
    for (const char c : text) {
        switch (c) {
            case '&': result += "&amp;"; break;
            case '<': result += "&lt;"; break;
            case '>': result += "&gt;"; break;
            case '"': result += "&quot;"; break;
            case '\'': result += "&apos;"; break;
            default: result += c;
        }
    }
    return result;
}

}  // namespace qzb
