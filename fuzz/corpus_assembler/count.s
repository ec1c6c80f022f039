; Counts on the output lamps.
.clock 10hz
.beep off

loop:   B = B + 1       ; count in B
        OUT = B         ; show it
        JMP loop
