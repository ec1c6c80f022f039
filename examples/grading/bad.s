; OUT = IN + 5
loop:   B = IN + 5
        OUT = B
        JMP loop
