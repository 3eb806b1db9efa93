' Types a greeting, waits, then presses Enter.
' The ! is typed as the key of 1: key codes carry no shift.
print "Hello<SPACE>world!"
wait 500
print "<ENT>"
end
