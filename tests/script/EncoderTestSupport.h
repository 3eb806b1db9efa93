// Intermediate-file and script text for the encoder tests, and a file reader.
#pragma once

#include <fstream>
#include <initializer_list>
#include <iterator>
#include <string>
#include <vector>

namespace vorn::script::test {

inline std::string ReadFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Intermediate-file text: each instruction line followed by CR LF.
inline std::string ObjectText(const std::vector<std::string>& lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\r\n";
    return text;
}

// Script text with LF line ends.
inline std::string ScriptText(std::initializer_list<std::string> lines) {
    std::string text;
    for (const std::string& line : lines) text += line + "\n";
    return text;
}

}  // namespace vorn::script::test
