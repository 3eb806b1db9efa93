PRINT "<F11><ESC>x"
PSET 18,7,1
end
