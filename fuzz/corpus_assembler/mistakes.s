loop: B = B - 1
  OUT = B
  JNC in - 3
  JMP loop
again B = 1 + IN
  MOV A 1
next .word 0b1
IN B = 1
  A = -2
