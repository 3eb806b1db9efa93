#include "script/Explanation.h"

#include <cctype>

namespace vorn::script {
namespace {

std::string Place(const Explanation& explanation, std::string_view file) {
    std::string place(file);
    if (explanation.line > 0) place += ":" + std::to_string(explanation.line);
    if (explanation.line > 0 && explanation.column > 0) {
        place += ":" + std::to_string(explanation.column);
    }
    return place + ": ";
}

}  // namespace

std::string ExplanationLines(const Explanation& explanation, std::string_view file) {
    if (explanation.Empty()) return {};
    const std::string place = Place(explanation, file);
    std::string lines = place + "error: " + explanation.why.data() + "\n";
    if (explanation.suggestion[0] != '\0') {
        lines += place + "note: " + explanation.suggestion.data() + "\n";
    }
    return lines;
}

std::string ExplanationDetail(const Explanation& explanation) {
    if (explanation.Empty()) return {};
    std::string detail;
    if (explanation.line > 0) detail = "Line " + std::to_string(explanation.line);
    if (explanation.line > 0 && explanation.column > 0) {
        detail += ", column " + std::to_string(explanation.column);
    }
    if (!detail.empty()) detail += ": ";
    detail += explanation.why.data();
    detail += ".";
    if (explanation.suggestion[0] != '\0') {
        std::string suggestion = explanation.suggestion.data();
        suggestion[0] = static_cast<char>(std::toupper(static_cast<unsigned char>(suggestion[0])));
        detail += "\n" + suggestion + ".";
    }
    return detail;
}

}  // namespace vorn::script
