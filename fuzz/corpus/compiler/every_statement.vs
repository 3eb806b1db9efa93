' Every statement kind once, written as a user would
start:
cls
clear inkey$
r1 = rnd
r2 = inkey$
b = 200
r3 = b
b = r3
r4 = -300
r5 = r4 * 2
r6 = r5 mod r4
r7 = not r6
r8 = 0x7fff and r7   ' number first
wait 1000
wait r8
print "Hi<ent>", 3
print r1, r2
print all, 10
pset 22, 5
pset r1, r2, r3
if r1 >= r2 then
   print "A"
else
   goto start
end if
end
