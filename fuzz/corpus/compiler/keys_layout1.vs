PRINT "<FN><PN><K/><K*><K-><K+><K.><K0><K9><F12><NUM><APP><NKEY>"
PRINT "<F1><F10><ESC><TAB><INS><DEL><END><ENT><BSP><HOME><PGUP><UP>",R2
PRINT "aZ09!@#$%^&*()_+-[]{};:,./?~`|\\",200
PSET 22,7,255
END
