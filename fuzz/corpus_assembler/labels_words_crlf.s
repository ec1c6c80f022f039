.clock none
.beep on
start: x: .word 0xB3 ; raw
	jnc b + x
.WORD 0b1111_0000
end:
	JMP end
