// SPDX-License-Identifier: MIT
#include "asm/step_words.h"

#include "asm/disassembler.h"
#include "asm/instruction_table.h"
#include "common/digits.h"

namespace qzb {

std::string stepInWords(const StepRecord& step) {
    const InstructionForm& form = instructionForms[step.word >> 4];
    const int number = step.word & 15;
    // A conditional jump tests the carry before it and sets it anew, so its sentence
    // tells the two apart: "carry was" and "carry now".
    const bool conditional = form.jump == Jump::IfNoCarry;
    const std::string carry =
        std::string(conditional ? "carry now " : "carry ") + (step.after.carry ? '1' : '0');

    std::string adder = binaryDigits(number) + ", " + carry;
    if (form.source != Source::None) {
        const int source = form.source == Source::A   ? step.before.a
                           : form.source == Source::B ? step.before.b
                                                      : step.input;
        adder = binaryDigits(source) + " + " + binaryDigits(number) + " = " + binaryDigits(source + number) +
                ", " + carry;
    }

    std::string text = addressDigits(step.address()) + "  " + disassembleWord(step.word) + ": ";
    if (form.jump == Jump::None) {
        text += adder;
    } else if (form.jump == Jump::Always) {
        text += adder + ", " + jumpInWords(step);
    } else {
        text += jumpInWords(step) + "; " + adder;
    }
    return text + "; PC " + addressDigits(step.before.pc) + " → " + addressDigits(step.after.pc);
}

std::string jumpInWords(const StepRecord& step) {
    switch (instructionForms[step.word >> 4].jump) {
        case Jump::None: break;
        case Jump::Always: return "jump";
        case Jump::IfNoCarry: return step.before.carry ? "carry was 1, no jump" : "carry was 0, jump";
    }
    return {};
}

}  // namespace qzb
