' Counts R1 from 0 to 4; lights the LED in column R1 of row 0 on
' even counts and types the count's parity
r1 = 0
next:
  r2 = r1 mod 2
  if r2 = 0 then
    pset r1, 0, 255
    print "E"
  else
    print "O"
  end if
  r1 = r1 + 1
  if r1 < 5 then
    goto next
  end if
wait r1
END
