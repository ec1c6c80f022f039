; wait.s: a loop that waits for an input.
;
; The lamps stay dark until any input switch is turned on. IN + 15 passes 15
; (and sets the carry) exactly when the input is not 0000, so the JNC loop
; goes round for as long as every switch is off. Then the lamps show the
; input read at that moment, and the program stops: press Reset, turn the
; switches off and it waits again.
.clock 10hz

wait:   A = IN + 15     ; carry set when any input switch is on
        JNC wait        ; carry clear: all off, ask again
        B = IN          ; read the input once more
        OUT = B         ; and show it
done:   JMP done
