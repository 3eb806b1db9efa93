#include "cli/vornkbd/SlotDump.h"

#include <cstdio>
#include <fstream>

namespace vorn::kbd {

namespace {

bool InSequence(const sim::SimKeyboard::SlotRecord& slot) {
    for (std::size_t i = 0; i < slot.writes.size(); ++i) {
        if (slot.writes[i].sequence != static_cast<std::uint8_t>(i)) return false;
    }
    return true;
}

std::string SlotLine(int number, const sim::SimKeyboard::SlotRecord& slot) {
    char text[96];
    std::snprintf(text, sizeof text, "FN+%d erased %d begun %d written %zu %s\n", number,
                  slot.erases, slot.begins, slot.writes.size(),
                  InSequence(slot) ? "in sequence" : "out of sequence");
    return text;
}

std::string InstructionLine(const sim::Bytes& bytes) {
    std::string line;
    char hex[4];
    for (const std::uint8_t byte : bytes) {
        std::snprintf(hex, sizeof hex, line.empty() ? "%02X" : " %02X", byte);
        line += hex;
    }
    return line + '\n';
}

bool WriteFile(const std::string& path, const std::string& text, std::string& error) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    if (file) return true;
    error = "cannot write " + path;
    return false;
}

}  // namespace

bool WriteSlotDump(const sim::SimKeyboard& keyboard, const std::string& dir, std::string& error) {
    std::string summary;
    for (int number = 0; number < sim::SimKeyboard::kSlotCount; ++number) {
        const sim::SimKeyboard::SlotRecord slot = keyboard.Slot(number);
        summary += SlotLine(number, slot);
        if (slot.writes.empty()) continue;
        std::string instructions;
        for (const sim::SimKeyboard::ScriptWrite& write : slot.writes) {
            instructions += InstructionLine(write.bytes);
        }
        const std::string path = dir + "/slot" + std::to_string(number) + ".txt";
        if (!WriteFile(path, instructions, error)) return false;
    }
    return WriteFile(dir + "/slots.txt", summary, error);
}

}  // namespace vorn::kbd
