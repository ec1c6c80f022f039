// SPDX-License-Identifier: MIT
#include "asm/step_words.h"

#include "asm/disassembler.h"
#include "asm/instruction_table.h"
#include "common/digits.h"

namespace qzb {

std::string stepInWords(const StepRecord& step) {
    const InstructionForm& form = instructionForms[step.word >> 4];
    const int number = step.word & 15;
    const std::string carry = step.after.carry ? "carry 1" : "carry 0";

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
        text += adder + ", jump";
    } else {
        // JNC n tells only the carry it tested: that alone decides where it goes.
        if (form.source != Source::None) text += adder + "; ";
        text += step.before.carry ? "carry was 1, no jump" : "carry was 0, jump";
    }
    return text + "; PC " + addressDigits(step.before.pc) + " → " + addressDigits(step.after.pc);
}

}  // namespace qzb
