; wrong.s: two mistakes, to see how qzb-cli asm reports them.
loop:   OUT = A + 1     ; OUT can show only B plus a number
        JMP lop         ; a misspelt label
