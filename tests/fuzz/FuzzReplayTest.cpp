// Every committed fuzz input, replayed through the harness of its target: the seeds of
// fuzz/corpus/<target>/ and the inputs of past findings in regressions/<target>/. A broken
// invariant fails the case with what broke, instead of aborting as it does under the fuzzer.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>
#include <span>
#include <string>
#include <vector>

#include "fuzz/harness/FuzzCheck.h"
#include "fuzz/harness/Harnesses.h"

namespace vorn::fuzz {
namespace {

namespace fs = std::filesystem;
using Harness = void (*)(std::span<const std::uint8_t>);

struct Target {
    const char* name;
    Harness run;
};

constexpr Target kTargets[] = {
    {"compiler", RunCompilerInput},
    {"keymap", RunKeymapInput},
    {"link", RunLinkInput},
    {"report_descriptor", RunReportDescriptorInput},
    {"version_block", RunVersionBlockInput},
};

struct Input {
    std::string kind;  // "seed" or "regression"
    Target target;
    fs::path path;
};

std::vector<Input> Inputs() {
    std::vector<Input> inputs;
    for (const auto& [kind, root] : {std::pair{"seed", VORN_FUZZ_CORPUS_DIR},
                                     std::pair{"regression", VORN_FUZZ_REGRESSION_DIR}}) {
        for (const Target& target : kTargets) {
            const fs::path folder = fs::path(root) / target.name;
            if (!fs::is_directory(folder)) continue;
            std::vector<fs::path> files;
            for (const auto& entry : fs::directory_iterator(folder)) {
                if (entry.is_regular_file()) files.push_back(entry.path());
            }
            std::sort(files.begin(), files.end());
            for (const fs::path& file : files) inputs.push_back({kind, target, file});
        }
    }
    return inputs;
}

std::vector<std::uint8_t> Bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// Collects broken invariants for the duration of one case.
class RecordFailures {
  public:
    RecordFailures() {
        previous_ = SetFailureHandler([this](const std::string& what) {
            std::lock_guard lock(mutex_);
            failures_.push_back(what);
        });
    }
    ~RecordFailures() { SetFailureHandler(std::move(previous_)); }
    std::vector<std::string> Failures() {
        std::lock_guard lock(mutex_);
        return failures_;
    }

  private:
    std::mutex mutex_;
    std::vector<std::string> failures_;
    FailureHandler previous_;
};

class FuzzReplayTest : public ::testing::TestWithParam<Input> {};

TEST_P(FuzzReplayTest, HoldsEveryInvariant) {
    const Input& input = GetParam();
    const std::vector<std::uint8_t> bytes = Bytes(input.path);
    RecordFailures record;
    input.target.run(bytes);
    EXPECT_EQ(record.Failures(), std::vector<std::string>{}) << input.path;
}

std::string CaseName(const ::testing::TestParamInfo<Input>& info) {
    std::string name =
        info.param.kind + "_" + info.param.target.name + "_" + info.param.path.filename().string();
    std::replace_if(
        name.begin(), name.end(),
        [](char c) { return !std::isalnum(static_cast<unsigned char>(c)); }, '_');
    return name;
}

INSTANTIATE_TEST_SUITE_P(Committed, FuzzReplayTest, ::testing::ValuesIn(Inputs()), CaseName);

// An empty corpus folder would make the replay above pass without testing anything.
TEST(FuzzCorpusTest, EveryTargetHasSeeds) {
    for (const Target& target : kTargets) {
        const fs::path folder = fs::path(VORN_FUZZ_CORPUS_DIR) / target.name;
        ASSERT_TRUE(fs::is_directory(folder)) << folder;
        EXPECT_FALSE(fs::is_empty(folder)) << folder;
    }
}

}  // namespace
}  // namespace vorn::fuzz
