; count.s: the lamps count 1, 2, 3, ... 15, 0, 1, ... in binary.
;
; Register B holds the count. Every word adds its low four bits (here 1) to
; one source and writes the sum to one place; OUT = B copies B to the lamps,
; since OUT can only show B plus a number. Three instructions make one count,
; so at 10 Hz the lamps change a little more than three times a second.
.clock 10hz

loop:   B = B + 1       ; 15 + 1 does not fit in four bits: B wraps to 0
        OUT = B         ; show the count on the output lamps
        JMP loop        ; and again
