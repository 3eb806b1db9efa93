' wait.vs: waiting; types READY, waits, and types GO.
' Layouts: 1 2
'
' WAIT takes a number (0 to 9999, or 0X0 to 0XFFFF) or a register. How long one
' unit lasts is the keyboard's to decide; these examples take 1000 as a second.
PRINT "READY<ENT>"
WAIT 1000
R1 = 500          ' a wait can also come from a register
WAIT R1
PRINT "GO<ENT>"
END
