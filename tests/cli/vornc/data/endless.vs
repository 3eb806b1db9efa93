' Blinks one LED forever: the dry run stops it at its step bound
cls
blink:
  r1 = r1 xor 1
  goto blink
end
