// How long a script takes to compile, from 1 KiB of program text to the full 10240-byte
// buffer: the whole download compile (source pass, encoding, temp.o) and the encoding
// half alone.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "script/CompilerState.h"
#include "script/Encoder.h"

namespace {

using vorn::script::CompilerState;
using vorn::script::EncodeProgram;
using vorn::script::EncodeProgramText;
using vorn::script::InstructionStream;
using vorn::script::kMessageSize;

// A block of typical statements; each line is already in the source pass's squeezed form,
// so it takes its length plus CR LF in the program text.
const std::vector<std::string> kBlock = {
    "IF R1<10 THEN", "R1=R1+1",  "R3=R4 AND 0XFF", "PRINT R1,R2",       "ELSE",
    "PSET 3,2,R4",   "WAIT 100", "END IF",         "PRINT \"AB<ENT>\"", "R5=-300",
};

// A script whose program text (lines with CR LF, then "END" LF) comes as close to
// `bytes` as whole lines allow. Blocks go in whole, so that every IF is closed; labels
// and GOTOs stay within their 100 each.
std::string ScriptOfProgramSize(std::size_t bytes) {
    std::string script;
    std::size_t size = 4;  // the final "END" LF
    auto add = [&](const std::vector<std::string>& lines) {
        std::size_t needed = 0;
        for (const std::string& line : lines) needed += line.size() + 2;
        if (size + needed > bytes) return false;
        for (const std::string& line : lines) script += line + "\n";
        size += needed;
        return true;
    };
    for (int i = 0; add(kBlock); ++i) {
        const std::string label = std::to_string(i);
        if (i < 100) add({"L" + label + ":", "GOTO L" + label});
    }
    while (add({"CLS"})) {
    }
    return script + "END\n";
}

class ScriptFile {
  public:
    explicit ScriptFile(std::size_t programBytes) {
        std::string folder =
            (std::filesystem::temp_directory_path() / "vorn-bench-XXXXXX").string();
        if (mkdtemp(folder.data()) == nullptr) std::abort();
        folder_ = folder;
        std::ofstream(ScriptPath(), std::ios::binary) << ScriptOfProgramSize(programBytes);
    }
    ~ScriptFile() {
        std::error_code error;
        std::filesystem::remove_all(folder_, error);
    }
    std::string ScriptPath() const { return (folder_ / "script.vs").string(); }
    std::string ObjectPath() const { return (folder_ / "temp.o").string(); }

  private:
    std::filesystem::path folder_;
};

void SetCounters(benchmark::State& run, const CompilerState& state) {
    run.counters["program_bytes"] = state.programLength;
    run.SetBytesProcessed(static_cast<std::int64_t>(run.iterations()) * state.programLength);
}

void BM_CompileScript(benchmark::State& run) {
    const ScriptFile file(static_cast<std::size_t>(run.range(0)));
    auto state = std::make_unique<CompilerState>();
    state->intermediatePath = file.ObjectPath();
    char message[kMessageSize] = {};
    for (auto _ : run) {
        if (EncodeProgram(*state, file.ScriptPath().c_str(), message, 1) != 0) {
            run.SkipWithError(message);
            return;
        }
    }
    SetCounters(run, *state);
}

void BM_EncodeProgramText(benchmark::State& run) {
    const ScriptFile file(static_cast<std::size_t>(run.range(0)));
    auto state = std::make_unique<CompilerState>();
    state->intermediatePath = file.ObjectPath();
    char message[kMessageSize] = {};
    if (EncodeProgram(*state, file.ScriptPath().c_str(), message, 1) != 0) {
        run.SkipWithError(message);
        return;
    }
    auto stream = std::make_unique<InstructionStream>();
    for (auto _ : run) {
        benchmark::DoNotOptimize(EncodeProgramText(*state, *stream, message));
    }
    SetCounters(run, *state);
}

BENCHMARK(BM_CompileScript)->DenseRange(1024, 10240, 1024)->Unit(benchmark::kMicrosecond);
BENCHMARK(BM_EncodeProgramText)->DenseRange(1024, 10240, 1024)->Unit(benchmark::kMicrosecond);

}  // namespace

// The compiler writes its trace lines to standard output, as in the product; they go to
// /dev/null here so that the results, written to the original standard output, stay
// readable.
int main(int argc, char** argv) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) return 1;
    std::fflush(stdout);
    const int results = dup(STDOUT_FILENO);
    const int sink = open("/dev/null", O_WRONLY);
    if (results < 0 || sink < 0 || dup2(sink, STDOUT_FILENO) < 0) return 1;
    std::ofstream out("/dev/fd/" + std::to_string(results), std::ios::app);
    benchmark::ConsoleReporter reporter(benchmark::ConsoleReporter::OO_Tabular);
    reporter.SetOutputStream(&out);
    reporter.SetErrorStream(&out);
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
