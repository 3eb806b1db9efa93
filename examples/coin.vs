' coin.vs: IF and ELSE on a register; tosses a coin and types HEADS or TAILS.
' Layouts: 1 2
'
' RND puts a random number into a register; its lowest bit is the coin.
R1 = RND
R2 = R1 AND 1
IF R2 = 0 THEN
  PRINT "HEADS<ENT>"
ELSE
  PRINT "TAILS<ENT>"
END IF
END
