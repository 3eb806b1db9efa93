' Types a greeting three times, a little slower each time
start:
  r1 = 0
  r2 = 100
again:
  print "vornkbd<ent>", 1
  wait r2
  r2 = r2 + 50
  r1 = r1 + 1
  if r1 < 3 then
    goto again
  else
    pset 22, 5
  end if
end
