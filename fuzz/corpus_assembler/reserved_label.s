jmp: A = 1
JMP jmp
