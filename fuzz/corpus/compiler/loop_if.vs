' Count to ten, then stay at the end
loop:
  r1 = r1 + 1
IF R1 < 10 THEN	' again
    goto LOOP
end if
END
