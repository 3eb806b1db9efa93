' numpad.vs: key names only layout 1 has; types 42 on the number pad and
' presses the pad's Enter, then lights the last cell of the last column.
' Layouts: 1
'
' <K0> to <K9>, <FN> and <F12> are not in the table of layout 2, and column 22 is
' past its last column (18), so this script is refused there.
PRINT "<K4><K2><KENT>"
PSET 22,5
END
