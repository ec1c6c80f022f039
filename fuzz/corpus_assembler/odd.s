top:
  a = 1 + in
  B = top + A
.clock 1hz
.clock manual
