// SPDX-License-Identifier: MIT
#include "machine/machine.h"

namespace qzb {

StepRecord Machine::step() {
    StepRecord record{.word = readProgramWord(switches_, state_.pc), .before = state_};
    const std::uint8_t word = record.word;
    const int immediate = word & 15;
    const bool b4 = (word & 0x10) != 0;
    const bool b5 = (word & 0x20) != 0;
    const bool b6 = (word & 0x40) != 0;
    const bool b7 = (word & 0x80) != 0;
    const bool carryBefore = state_.carry;

    const bool selA = b4 || b7;
    const bool selB = b5;
    int source = 0;
    if (!selB && !selA) {
        source = state_.a;
    } else if (!selB && selA) {
        source = state_.b;
    } else if (selB && !selA) {
        record.input = readInputPort(switches_);  // the input switches are read only here
        source = record.input;
    }

    const int sum = immediate + source;
    state_.carry = sum > 15;
    const std::uint8_t result = nibble(sum);

    // The load inputs are active low: a register loads when its expression is false.
    const bool loadA = !(b7 || b6);
    const bool loadB = !(b7 || !b6);
    const bool loadOut = !(!b7 || b6);
    // PC's enable is NOT(b7 AND b6 AND (b4 OR NOT C)): false exactly when this holds.
    const bool loadPc = b7 && b6 && (b4 || !carryBefore);

    if (loadA) {
        state_.a = result;
    }
    if (loadB) {
        state_.b = result;
    }
    if (loadOut) {
        state_.out = result;
    }
    if (loadPc) {
        state_.pc = result;
    } else {
        state_.pc = nibble(state_.pc + 1);
    }
    record.after = state_;
    return record;
}

void Machine::reset() {
    state_ = {};
}

}  // namespace qzb
