; beep.s: a beep from output bit 3.
;
; With the Beep switch on, the panel beeps after every instruction that leaves
; bit 3 of OUT high (the left lamp). The other three lamps make no sound, so
; 0111 is silent. At 1 Hz this beeps once every three seconds.
.clock 1hz
.beep on

loop:   OUT = 0b1000    ; bit 3 high: beep
        OUT = 0b0111    ; three lamps lit, bit 3 low: silence
        JMP loop        ; OUT keeps 0111: silence
