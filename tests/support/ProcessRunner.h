// Runs a built program as a shell would and collects its exit status and what it wrote.
#pragma once

#include <sys/wait.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "tests/support/TempDir.h"

namespace vorn::test {

// How a run ended: the exit status (-1 when the program did not exit on its own) and the
// text of its standard output and standard error.
struct ProcessOutcome {
    int status = -1;
    std::string out;
    std::string err;
};

// `text` as one shell word.
inline std::string ShellQuoted(const std::string& text) {
    std::string quoted(1, '\'');
    for (const char c : text) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return quoted + '\'';
}

// Runs `program` with `args` through the shell, started in `workingDir` when one is given,
// and waits for it. The two streams go to files in a folder of their own, so the working
// folder holds only what the program itself writes there.
inline ProcessOutcome RunProcess(const std::string& program, const std::vector<std::string>& args,
                                 const std::string& workingDir = {}) {
    const TempDir streams;
    std::string command;
    if (!workingDir.empty()) command = "cd " + ShellQuoted(workingDir) + " && ";
    command += ShellQuoted(program);
    for (const std::string& arg : args) command += ' ' + ShellQuoted(arg);
    command += " >" + ShellQuoted(streams.File("out")) + " 2>" + ShellQuoted(streams.File("err"));
    const int raw = std::system(command.c_str());
    return {WIFEXITED(raw) ? WEXITSTATUS(raw) : -1, ReadText(streams.File("out")),
            ReadText(streams.File("err"))};
}

}  // namespace vorn::test
