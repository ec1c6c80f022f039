// SPDX-License-Identifier: MIT
#include "front_panel/catalogue.h"

#ifndef QZB_VERSION
#define QZB_VERSION "0"
#endif

namespace qzb::catalogue {

std::optional<std::string_view> fileCommandMessage(FileCommand command, FileCommandResult result) {
    const bool saving = command == FileCommand::SaveAs;
    switch (result) {
        case FileCommandResult::Done:
        case FileCommandResult::Cancelled: break;
        case FileCommandResult::Refused: return saving ? saveRefused : loadRefused;
        case FileCommandResult::CannotOpen: return saving ? cannotWrite : fileNotFound;
    }
    return std::nullopt;
}

std::string aboutText() {
    return "QZB " QZB_VERSION
           "\n\nAn emulator of the QZB, a tiny 4-bit computer. Program its 16 words of memory with the "
           "switches, pick a clock and watch the registers and the output lamps.";
}

std::string withReason(std::string_view sentence, std::string_view reason) {
    const std::size_t at = sentence.find("%s");
    std::string text(sentence.substr(0, at));
    text += reason;
    text += sentence.substr(at + 2);
    return text;
}

}  // namespace qzb::catalogue
