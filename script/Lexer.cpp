#include "script/Lexer.h"

namespace vorn::script {

int SqueezeBlanks(char* line, int length) {
    line[length] = '\n';
    return length;
}

bool IsRegisterToken(const char*, int& tokenLength) {
    tokenLength = 0;
    return false;
}

bool IsNumberToken(const char*, int& tokenLength, int, std::uint8_t) {
    tokenLength = 0;
    return false;
}

std::int32_t NumberValue(const char*, int) { return 0; }

int KeyTextToCodes(const char*, int, std::uint8_t*, std::uint8_t) { return -1; }

}  // namespace vorn::script
