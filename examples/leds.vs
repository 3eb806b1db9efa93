' leds.vs: the LED commands; clears the cells, lights a short diagonal, then
' sets a cell whose place and value come from registers.
' Layouts: 1 2
'
' PSET takes a column, a row and, optionally, a value. Rows are 0 to 5; columns
' are 0 to 22 on layout 1 and 0 to 18 on layout 2, so this script keeps to 18.
CLS
PSET 0,0
PSET 1,1
PSET 2,2,255
R1 = 18
R2 = 5
R3 = 128
PSET R1,R2,R3
WAIT 1000
CLS
END
