; light.s: a running light, one lamp at a time from right to left.
;
; OUT = n puts a number on the lamps; 1, 2, 4 and 8 light one lamp each. The
; jump back is an instruction too and takes a clock step, so the left lamp
; stays lit twice as long as the others. Try changing the order or the numbers.
.clock 10hz

loop:   OUT = 0b0001
        OUT = 0b0010
        OUT = 0b0100
        OUT = 0b1000
        JMP loop        ; OUT keeps 1000 during this step
