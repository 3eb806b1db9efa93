' comment only

	r1 = r1 + 1 ' tail
A1:
12:
	goto a1
CLS END
  
