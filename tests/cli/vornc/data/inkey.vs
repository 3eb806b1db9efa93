' Waits for a key: Y types YES, anything else types NO; then a dice throw
clear inkey$
r1 = inkey$
if r1 = 0x1c then
  print "YES"
else
  print "NO"
end if
r2 = rnd
r2 = r2 mod 6
r2 = r2 + 1
print "<ENT>", r2
end
