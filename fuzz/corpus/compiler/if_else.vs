if r1 = r2 then
  r3 = 1
else
  r3 = 2
end if
end
