' counter.vs: a loop with a counter; types GO and a blank five times.
' Layouts: 1 2
'
' R1 counts the rounds. Set it before the loop: a script should not rely on
' what a register held before it started.
R1 = 0
AGAIN:
  PRINT "GO<SPACE>"
  R1 = R1 + 1
  IF R1 < 5 THEN
    GOTO AGAIN
  END IF
END
