; add.s: the lamps show the input switches plus 3.
;
; Set the four input switches to a number, bit 3 on the left: 0101 is 5, and
; the lamps show 1000, 8. The machine reads the switches on every pass, so a
; change shows at once. A sum past 15 keeps only its low four bits: 1110 (14)
; plus 3 is 17, which shows as 0001 (1) and sets the carry.
.clock 10hz

loop:   B = IN + 3      ; the adder: input switches + 3 (change the 3 to add another number)
        OUT = B         ; show the sum on the lamps
        JMP loop
