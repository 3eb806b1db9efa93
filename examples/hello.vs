' hello.vs: types a greeting and presses Enter.
' Layouts: 1 2
'
' PRINT types the text between the quotes as keys. Letters are key codes, so
' upper and lower case type the same key (hold Shift yourself for capitals).
' Quoted text holds no blank: <SPACE> types one, <ENT> presses Enter.
PRINT "Hello<SPACE>world<ENT>"
END
