#include "cli/vornctl/InterfaceSurvey.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hid/Discovery.h"
#include "hid/ModelTable.h"
#include "state/MainState.h"

namespace vorn::cli {

namespace {

// The walk looks at this many interface indices at most; the survey looks a little
// further, to tell the person about a keyboard the walk cannot reach.
constexpr int kWalkedIndices = hid::kInterfaceWalkBound;
constexpr int kSurveyedIndices = kWalkedIndices + 44;
constexpr std::uint16_t kKeyboardLinkUsage = 0x0080;

bool IsModelVendor(std::uint16_t vendorId) {
    for (const hid::ModelRow& row : hid::kModelTable) {
        if (row.vendorId == vendorId) return true;
    }
    return false;
}

PlatformProblem Ask(const ProblemSource& problems, hid::HidHandle handle = hid::kInvalidHandle) {
    return problems ? problems(handle) : PlatformProblem{};
}

// The walk's checks on an interface that is open for a query, in the walk's order.
Finding Examine(hid::HidPlatform& hid, hid::HidHandle handle, SurveyEntry& entry,
                const ProblemSource& problems) {
    if (hid.GetAttributes(handle, entry.attributes) != hid::HidCall::kOk) {
        entry.problem = Ask(problems, handle);
        return Finding::kNoAttributes;
    }
    entry.haveIds = true;
    if (!IsModelVendor(entry.attributes.vendorId)) return Finding::kOtherVendor;
    const hid::HidCall caps = hid.GetCaps(handle, entry.caps);
    if (caps == hid::HidCall::kNotAvailable) return Finding::kCapsMissing;
    if (caps != hid::HidCall::kOk) {
        entry.problem = Ask(problems, handle);
        return Finding::kNoCaps;
    }
    entry.haveCaps = true;
    if (entry.caps.usage != kKeyboardLinkUsage) return Finding::kOtherUsage;
    if (hid::ModelNameFor(entry.attributes.vendorId, entry.attributes.productId).empty()) {
        return Finding::kUnknownProduct;
    }
    return Finding::kKeyboard;
}

void Visit(hid::HidPlatform& hid, SurveyEntry& entry, const ProblemSource& problems) {
    const hid::HidHandle handle = hid.Open(entry.path, hid::OpenPurpose::kQuery);
    if (handle == hid::kInvalidHandle) {
        entry.finding = Finding::kCannotOpen;
        entry.problem = Ask(problems);
        return;
    }
    entry.finding = Examine(hid, handle, entry, problems);
    hid.Close(handle);
}

// A listed keyboard may still refuse the transfer open, which the listing does not try.
void TryTransferOpen(hid::HidPlatform& hid, SurveyEntry& entry, const ProblemSource& problems) {
    const hid::HidHandle handle = hid.Open(entry.path, hid::OpenPurpose::kTransfer);
    if (handle == hid::kInvalidHandle) {
        entry.transferOpens = false;
        entry.openProblem = Ask(problems);
        return;
    }
    hid.Close(handle);
}

class Walk {
  public:
    Walk(hid::HidPlatform& hid, hid::InterfaceSet set, const ProblemSource& problems)
        : hid_(hid), set_(set), problems_(problems) {}

    // False when the walk ends before this index.
    bool Step(int index, std::vector<SurveyEntry>& entries) {
        const hid::HidCall present = hid_.EnumInterface(set_, index);
        if (present == hid::HidCall::kNotAvailable || present == hid::HidCall::kEnd) return false;
        // Inside the walk a gap is skipped; past it, the first gap ends the survey.
        if (present != hid::HidCall::kOk) return index < kWalkedIndices;
        SurveyEntry entry;
        entry.index = index;
        if (hid_.GetInterfacePath(set_, index, entry.path) != hid::HidCall::kOk) return false;
        if (index >= kWalkedIndices) {
            entry.finding = Finding::kBeyondWalk;
        } else {
            Visit(hid_, entry, problems_);
            Count(entry);
        }
        entries.push_back(entry);
        return entry.finding != Finding::kCapsMissing;
    }

  private:
    void Count(SurveyEntry& entry) {
        if (entry.finding != Finding::kKeyboard) return;
        if (keyboards_ == state::DeviceList::kCapacity) {
            entry.finding = Finding::kListFull;
            return;
        }
        ++keyboards_;
        TryTransferOpen(hid_, entry, problems_);
    }

    hid::HidPlatform& hid_;
    const hid::InterfaceSet set_;
    const ProblemSource& problems_;
    int keyboards_ = 0;
};

std::string Ids(const SurveyEntry& entry) {
    if (!entry.haveIds) return "????:????";
    char text[16];
    std::snprintf(text, sizeof text, "%04x:%04x", entry.attributes.vendorId,
                  entry.attributes.productId);
    return text;
}

std::string WithReason(const std::string& text, const PlatformProblem& problem) {
    return problem.reason.empty() ? text : text + " (" + problem.reason + ")";
}

std::string Verdict(const SurveyEntry& entry) {
    switch (entry.finding) {
        case Finding::kKeyboard:
            return entry.transferOpens
                       ? "listed"
                       : WithReason("listed, but cannot be opened", entry.openProblem);
        case Finding::kCannotOpen:
            return WithReason("not taken: cannot be opened", entry.problem);
        case Finding::kNoAttributes:
            return WithReason("not taken: vendor and product id unreadable", entry.problem);
        case Finding::kOtherVendor:
            return "not taken: other vendor";
        case Finding::kNoCaps:
            return WithReason("not taken: report descriptor unreadable", entry.problem);
        case Finding::kCapsMissing:
            return "not taken: capabilities not available, the walk stops here";
        case Finding::kOtherUsage: {
            char text[80];
            std::snprintf(text, sizeof text, "not taken: usage 0x%04X, a keyboard has 0x%04X",
                          entry.caps.usage, kKeyboardLinkUsage);
            return text;
        }
        case Finding::kUnknownProduct:
            return "not taken: unknown product";
        case Finding::kListFull:
            return "not taken: the device list is full";
        case Finding::kBeyondWalk:
            return "not looked at: only the first " + std::to_string(kWalkedIndices) +
                   " interfaces are";
    }
    return {};
}

}  // namespace

bool IsPermissionReason(const std::string& reason) {
    for (const int error : {EACCES, EPERM}) {
        const std::string text = std::strerror(error);
        if (reason.size() >= text.size() &&
            reason.compare(reason.size() - text.size(), text.size(), text) == 0) {
            return true;
        }
    }
    return false;
}

std::vector<SurveyEntry> SurveyInterfaces(hid::HidPlatform& platform,
                                          const ProblemSource& problems) {
    std::vector<SurveyEntry> entries;
    hid::HidGuid hidClass;
    if (platform.GetHidGuid(hidClass) != hid::HidCall::kOk) return entries;
    hid::InterfaceSet set = hid::kInvalidSet;
    if (platform.OpenInterfaceSet(hidClass, set) != hid::HidCall::kOk) return entries;
    Walk walk(platform, set, problems);
    for (int index = 0; index < kSurveyedIndices && walk.Step(index, entries); ++index) {
    }
    platform.CloseInterfaceSet(set);
    return entries;
}

std::string DescribeFinding(const SurveyEntry& entry) {
    return entry.path + "\t" + Ids(entry) + "\t" + Verdict(entry);
}

}  // namespace vorn::cli
