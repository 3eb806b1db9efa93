CLS
End
