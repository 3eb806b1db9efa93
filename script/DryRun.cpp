#include "script/DryRun.h"

#include <algorithm>
#include <cstdio>

#include "script/KeyTables.h"

namespace vorn::script {
namespace {

std::string Code(std::uint8_t code) {
    char text[4];
    std::snprintf(text, sizeof text, "%02X", code);
    return text;
}

class Machine {
  public:
    Machine(const std::vector<Instruction>& instructions, const DryRunOptions& options,
            const DryRunEventSink& sink)
        : instructions_(instructions), options_(options), sink_(sink), random_(options.seed) {
        // Each instruction is decoded once, and jumps find theirs by address.
        decoded_.resize(instructions.size());
        valid_.resize(instructions.size());
        indexAt_.assign(NextAddress() + 1, -1);
        for (std::size_t i = 0; i < instructions.size(); ++i) {
            valid_[i] = DecodeInstruction(instructions[i], decoded_[i]);
            indexAt_[instructions[i].address] = static_cast<std::int32_t>(i);
        }
    }

    DryRunResult Run() {
        std::size_t index = 0;
        while (true) {
            if (index >= instructions_.size()) {
                return Stop(DryRunEnd::kPastEnd, NextAddress());
            }
            const std::uint32_t address = instructions_[index].address;
            if (!valid_[index]) return Stop(DryRunEnd::kUnknownInstruction, address);
            const Decoded& d = decoded_[index];
            if (d.kind == KIND_END) return Stop(DryRunEnd::kEnd, address);
            if (result_.steps == options_.stepBound) return Stop(DryRunEnd::kStepBound, address);
            ++result_.steps;
            address_ = address;
            std::optional<std::uint32_t> jump;
            if (!Execute(d, jump)) return Stop(DryRunEnd::kDivisionByZero, address_);
            if (!jump) {
                ++index;
                continue;
            }
            if (*jump >= indexAt_.size() || indexAt_[*jump] < 0) {
                return Stop(DryRunEnd::kBadJump, address_);
            }
            index = static_cast<std::size_t>(indexAt_[*jump]);
        }
    }

  private:
    std::uint32_t NextAddress() const {
        if (instructions_.empty()) return 0;
        const Instruction& last = instructions_.back();
        return last.address + last.length;
    }

    DryRunResult Stop(DryRunEnd end, std::uint32_t address) {
        if (end == DryRunEnd::kEnd) ++result_.steps;
        result_.end = end;
        result_.address = address;
        result_.inkeyLeft = options_.inkey.size() - std::min(inkeyRead_, options_.inkey.size());
        return result_;
    }

    void Event(std::string text) {
        DryRunEvent event{result_.steps, address_, std::move(text)};
        if (sink_) {
            sink_(event);
        } else {
            result_.events.push_back(std::move(event));
        }
    }

    std::int16_t Get(std::uint8_t n) const {
        return static_cast<std::int16_t>(result_.registers[n & 0x0F]);
    }
    void Set(std::uint8_t n, std::int32_t value) {
        result_.registers[n & 0x0F] = static_cast<std::uint16_t>(value & 0xFFFF);
    }
    std::int32_t Value(const Term& term) const {
        return term.isRegister ? Get(term.reg) : static_cast<std::int16_t>(term.value);
    }
    std::string Shown(std::uint8_t n) const {
        return "R" + std::to_string(n) + "=" + std::to_string(Get(n));
    }

    std::string KeyName(std::uint8_t code) const {
        return KeyCodeName(code, options_.layout) + " (" + Code(code) + ")";
    }

    bool Execute(const Decoded& d, std::optional<std::uint32_t>& jump) {
        const StatementRecord& r = d.record;
        const std::uint8_t a = r[field::kA];
        switch (d.kind) {
            case KIND_CLS:
                Event("CLS");
                return true;
            case KIND_CLEAR:
                Event("CLEAR INKEY$");
                return true;
            case KIND_RND:
                random_ = random_ * 1103515245u + 12345u;
                Set(a, static_cast<std::int32_t>((random_ >> 16) & 0x7FFF));
                return true;
            case KIND_INKEY:
                Set(a, inkeyRead_ < options_.inkey.size() ? options_.inkey[inkeyRead_++] : 0);
                return true;
            case KIND_WAIT:
                if (d.form == form::kWaitRegister) {
                    Event("wait " + std::to_string(static_cast<std::uint16_t>(Get(a))) + " (R" +
                          std::to_string(a) + ")");
                } else {
                    Event("wait " + std::to_string(a | (r[field::kB] << 8)));
                }
                return true;
            case KIND_GOTO:
                jump = *d.target;
                return true;
            case KIND_IF:
                if (!Holds(*ConditionOf(d))) jump = *d.target;
                return true;
            case KIND_PRINT:
                Print(d);
                return true;
            case KIND_PSET:
                Pset(d);
                return true;
            case KIND_ASSIGN:
                return Assign(*AssignmentOf(d));
            default:
                return true;
        }
    }

    bool Holds(const Condition& c) const {
        const std::int32_t x = Get(c.reg), y = Value(c.operand);
        switch (c.comparison) {
            case Comparison::kEqual:
                return x == y;
            case Comparison::kNotEqual:
                return x != y;
            case Comparison::kGreater:
                return x > y;
            case Comparison::kLess:
                return x < y;
            case Comparison::kGreaterOrEqual:
                return x >= y;
            case Comparison::kLessOrEqual:
                return x <= y;
        }
        return false;
    }

    void Print(const Decoded& d) {
        const StatementRecord& r = d.record;
        const std::uint8_t a = r[field::kA], key = r[field::kCodes], p = r[field::kP];
        const std::string statement = StatementText(d, options_.layout, {});
        switch (d.form) {
            case form::kPrintText:
                Event("type " + KeyName(key));
                return;
            case form::kPrintTextNumber:
                Event(statement + ": key " + KeyName(key) + ", operand " + std::to_string(p));
                return;
            case form::kPrintTextRegister:
                Event(statement + ": key " + KeyName(key) + ", " + Shown(p));
                return;
            case form::kPrintRegister:
            case form::kPrintRegisterNumber:
            case form::kPrintAllRegister:
                Event(statement + ": " + Shown(a & 0x0F));
                return;
            case form::kPrintRegisters:
                Event(statement + ": " + Shown(a & 0x0F) + ", " + Shown(a >> 4));
                return;
            default:
                Event(statement);
                return;
        }
    }

    void Pset(const Decoded& d) {
        const StatementRecord& r = d.record;
        const bool three = d.form >= form::kPsetThreeArguments;
        const unsigned registers =
            d.form - (three ? form::kPsetThreeArguments : form::kPsetTwoArguments);
        const auto argument = [&](std::size_t i) -> std::int32_t {
            const std::uint8_t v = r[field::kA + i];
            return (registers >> i) & 1u ? Get(v) : v;
        };
        std::string text = "LED column " + std::to_string(argument(0)) + " row " +
                           std::to_string(argument(1)) + " set";
        if (three) text += " to " + std::to_string(argument(2));
        Event(text);
    }

    bool Assign(const Assignment& x) {
        const std::int32_t left = Value(x.left), right = Value(x.right);
        switch (x.operation) {
            case Operation::kFromB:
                Set(x.target, result_.b);
                return true;
            case Operation::kToB:
                result_.b = static_cast<std::uint8_t>(right & 0xFF);
                Event("B=" + std::to_string(result_.b));
                return true;
            case Operation::kCopy:
                Set(x.target, right);
                return true;
            case Operation::kNegate:
                Set(x.target, -right);
                return true;
            case Operation::kNot:
                Set(x.target, ~right);
                return true;
            case Operation::kAdd:
                Set(x.target, left + right);
                return true;
            case Operation::kSubtract:
                Set(x.target, left - right);
                return true;
            case Operation::kMultiply:
                Set(x.target, left * right);
                return true;
            case Operation::kDivide:
                if (right == 0) return false;
                Set(x.target, left / right);
                return true;
            case Operation::kMod:
                if (right == 0) return false;
                Set(x.target, left % right);
                return true;
            case Operation::kAnd:
                Set(x.target, left & right);
                return true;
            case Operation::kOr:
                Set(x.target, left | right);
                return true;
            case Operation::kXor:
                Set(x.target, left ^ right);
                return true;
        }
        return true;
    }

    const std::vector<Instruction>& instructions_;
    const DryRunOptions& options_;
    const DryRunEventSink& sink_;
    std::vector<Decoded> decoded_;
    std::vector<bool> valid_;
    std::vector<std::int32_t> indexAt_;
    DryRunResult result_;
    std::uint32_t random_;
    std::size_t inkeyRead_ = 0;
    std::uint32_t address_ = 0;
};

std::string EndNote(const DryRunResult& result, const DryRunOptions& options,
                    std::span<const LabelAt> labels) {
    std::string at = HexAddress(result.address);
    if (const std::string names = LabelsAt(result.address, labels); !names.empty()) {
        at += " (" + names + ")";
    }
    const std::string steps = std::to_string(result.steps);
    switch (result.end) {
        case DryRunEnd::kEnd:
            return "ended at END (" + at + ") after " + steps + " steps";
        case DryRunEnd::kStepBound:
            return "stopped at " + at + ": the step bound of " + std::to_string(options.stepBound) +
                   " steps was reached before END; the script may loop forever (--steps N "
                   "allows a longer run)";
        case DryRunEnd::kDivisionByZero:
            return "stopped at " + at + " after " + steps +
                   " steps: division by zero, whose result on the keyboard is not known";
        case DryRunEnd::kBadJump:
            return "stopped at " + at + " after " + steps +
                   " steps: the jump target is not the start of an instruction";
        case DryRunEnd::kPastEnd:
            return "stopped at " + at + " after " + steps +
                   " steps: ran past the last instruction without END";
        case DryRunEnd::kUnknownInstruction:
            return "stopped at " + at + " after " + steps +
                   " steps: these bytes are no instruction of the keyboard";
    }
    return {};
}

}  // namespace

DryRunResult DryRun(const std::vector<Instruction>& instructions, const DryRunOptions& options,
                    const DryRunEventSink& sink) {
    return Machine(instructions, options, sink).Run();
}

std::string DryRunEventLine(const DryRunEvent& event) {
    char head[32];
    std::snprintf(head, sizeof head, "%6llu  %s  ", static_cast<unsigned long long>(event.step),
                  HexAddress(event.address).c_str());
    return head + event.text + "\n";
}

std::string DryRunSummary(const DryRunResult& result, const DryRunOptions& options,
                          std::span<const LabelAt> labels) {
    std::string text = EndNote(result, options, labels) + "\n";
    for (std::size_t n = 0; n < result.registers.size(); ++n) {
        text += (n == 0 ? "" : " ") + std::string("R") + std::to_string(n) + "=" +
                std::to_string(static_cast<std::int16_t>(result.registers[n]));
    }
    text += "\nB=" + std::to_string(result.b) +
            " INKEY$ keys left=" + std::to_string(result.inkeyLeft) + "\n";
    return text;
}

std::string DryRunText(const DryRunResult& result, const DryRunOptions& options,
                       std::span<const LabelAt> labels) {
    std::string text = kDryRunHeading;
    for (const DryRunEvent& event : result.events) text += DryRunEventLine(event);
    return text + DryRunSummary(result, options, labels);
}

bool InkeyCodes(std::string_view keys, std::uint8_t layout, std::vector<std::uint8_t>& codes,
                std::string& problem) {
    codes.clear();
    std::string upper(keys);
    for (char& c : upper) {
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    }
    for (std::size_t i = 0; i < upper.size(); ++i) {
        if (upper[i] == '<') {
            const std::size_t close = upper.find('>', i + 1);
            if (close == std::string::npos) {
                problem = "a key name opened with < is not closed with >";
                return false;
            }
            const std::string name = upper.substr(i + 1, close - i - 1);
            const int code = KeyNameCode(name.data(), static_cast<int>(name.size()), layout);
            if (code < 0) {
                problem =
                    "no key is called <" + name + "> in script layout " + std::to_string(layout);
                return false;
            }
            codes.push_back(static_cast<std::uint8_t>(code));
            i = close;
            continue;
        }
        const int code = CharacterKeyCode(static_cast<unsigned char>(upper[i]));
        if (code < 0) {
            problem = std::string("\"") + upper[i] + "\" types no key; write a blank as <SPACE>";
            return false;
        }
        codes.push_back(static_cast<std::uint8_t>(code));
    }
    return true;
}

}  // namespace vorn::script
