x: A = 16
x: B = q
 JMP A
 OUT = IN + 2
.clock 5hz
.beep on
.beep off
 A = 0x1G
 A = B +
 A = B + A
 .word 256
 ALT A = 1
 foo 1
 A = 1 2
 jmp: A=1
 A = 1 ; fine
 é
.word x
