// The script slots of the virtual keyboard as files, for a check after the fact:
//
//   DIR/slots.txt   one line per slot: "FN+3 erased 1 begun 1 written 12 in sequence"
//                   ("out of sequence" when the sequence numbers do not count 0, 1, 2, ...
//                   modulo 256 from the last erase)
//   DIR/slotK.txt   for each slot written to: one line per WriteScript, its bytes in
//                   upper-case hexadecimal separated by blanks, as the intermediate file
//                   has them but with LF line ends
#pragma once

#include <string>

#include "sim/SimKeyboard.h"

namespace vorn::kbd {

bool WriteSlotDump(const sim::SimKeyboard& keyboard, const std::string& dir, std::string& error);

}  // namespace vorn::kbd
