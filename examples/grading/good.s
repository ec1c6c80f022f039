; OUT = IN + 5, or 15 when the sum does not fit in four bits.
loop:   B = IN + 5      ; the carry is set when IN + 5 passes 15
        JNC show        ; no carry: the sum fits
        B = 15
show:   OUT = B
        JMP loop
