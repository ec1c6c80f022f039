; carry.s: the carry flag and a jump that depends on it.
;
; A goes up by 5: 5, 10, 15. The next sum, 20, does not fit in four bits: A
; keeps 20 - 16 = 4 and the carry is set. JNC jumps only while the carry is
; clear, so the loop ends there and the lamps show 4.
;
; Every instruction sets the carry from its own sum, so JNC must come straight
; after the addition it tests. Step through it with Manual and Clock, and
; watch the carry readout.
.clock manual

        A = 0
loop:   A = A + 5       ; the carry is set when the sum passes 15
        JNC loop        ; carry clear: add again; carry set: go on
        B = A           ; OUT shows only B plus a number, so copy A to B
        OUT = B         ; the lamps show 0100, 4
done:   JMP done        ; a jump to itself stops the program; Reset starts it again
