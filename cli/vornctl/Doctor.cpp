#include "cli/vornctl/Doctor.h"

#include <fcntl.h>
#include <sys/stat.h>
#if defined(__linux__)
#include <sys/utsname.h>
#include <unistd.h>
#endif

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "cli/vornctl/UdevRule.h"
#include "hid/ModelTable.h"

namespace vorn::cli {

namespace {

namespace fs = std::filesystem;

std::optional<std::string> ReadText(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    if (!in) return std::nullopt;
    std::ostringstream text;
    text << in.rdbuf();
    if (in.bad()) return std::nullopt;
    return text.str();
}

std::vector<std::string> Lines(const std::string& text) {
    std::vector<std::string> lines;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) lines.push_back(line);
    return lines;
}

// The value of KEY=value in a file of such lines, quotes taken off.
std::string Field(const std::string& text, const std::string& key) {
    for (const std::string& line : Lines(text)) {
        if (!line.starts_with(key + "=")) continue;
        std::string value = line.substr(key.size() + 1);
        if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') &&
            value.back() == value.front()) {
            value = value.substr(1, value.size() - 2);
        }
        return value;
    }
    return {};
}

std::string Distribution(const std::string& root) {
    for (const char* file : {"/etc/os-release", "/usr/lib/os-release"}) {
        if (const auto text = ReadText(root + file)) {
            const std::string name = Field(*text, "PRETTY_NAME");
            if (!name.empty()) return name;
        }
    }
    return "unknown (no os-release)";
}

enum class RuleState { kMissing, kCurrent, kDifferent, kMasked };

struct Rule {
    RuleState state = RuleState::kMissing;
    std::string path;  // the file udev uses, relative to the root
};

Rule FindRule(const std::string& root) {
    for (const std::string& folder : UdevRuleFolders()) {
        const std::string path = folder + "/" + kUdevRuleName;
        std::error_code error;
        const fs::path full(root + path);
        if (!fs::exists(fs::symlink_status(full, error))) continue;
        // A link to /dev/null masks the rule of the same name in the folders after it.
        if (fs::is_symlink(full, error) && fs::read_symlink(full, error) == "/dev/null") {
            return {RuleState::kMasked, path};
        }
        const auto text = ReadText(full.string());
        return {text && *text == UdevRuleText() ? RuleState::kCurrent : RuleState::kDifferent,
                path};
    }
    return {};
}

// An active session of `uid` on a seat, as logind records it: "SEAT" or an empty string.
std::string ActiveSeat(const std::string& root, unsigned uid) {
    std::error_code error;
    fs::directory_iterator sessions(root + "/run/systemd/sessions", error);
    if (error) return {};
    for (const fs::directory_entry& entry : sessions) {
        const auto text = ReadText(entry.path().string());
        if (!text || Field(*text, "UID") != std::to_string(uid)) continue;
        const bool active = Field(*text, "ACTIVE") == "1" || Field(*text, "STATE") == "active";
        const std::string seat = Field(*text, "SEAT");
        if (active && !seat.empty()) return seat;
    }
    return {};
}

struct Node {
    std::string name;     // hidraw0
    std::string devNode;  // /dev/hidraw0, relative to the root
    std::uint16_t vendorId = 0;
    std::uint16_t productId = 0;
    bool haveIds = false;
    std::string hidName;
    std::string model;  // the model table's name; empty for another device
    bool uaccessTag = false;
    bool nodeExists = false;
    unsigned mode = 0;
    unsigned owner = 0;
    unsigned group = 0;
    int openError = 0;
};

// HID_ID=0003:00000F39:00001085 -> the vendor and product ids.
bool ParseHidId(const std::string& value, std::uint16_t& vendorId, std::uint16_t& productId) {
    unsigned bus = 0;
    unsigned vendor = 0;
    unsigned product = 0;
    if (std::sscanf(value.c_str(), "%x:%x:%x", &bus, &vendor, &product) != 3) return false;
    vendorId = static_cast<std::uint16_t>(vendor & 0xFFFFu);
    productId = static_cast<std::uint16_t>(product & 0xFFFFu);
    return true;
}

bool HasUaccessTag(const std::string& root, const std::string& dev) {
    const auto text = ReadText(root + "/run/udev/data/c" + dev);
    if (!text) return false;
    for (const std::string& line : Lines(*text)) {
        if (line == "G:uaccess" || line == "Q:uaccess") return true;
    }
    return false;
}

// The hidraw nodes in number order.
std::vector<Node> FindNodes(const DoctorHost& host) {
    std::vector<Node> nodes;
    std::error_code error;
    fs::directory_iterator hidraw(host.root + "/sys/class/hidraw", error);
    if (error) return nodes;
    for (const fs::directory_entry& entry : hidraw) {
        Node node;
        node.name = entry.path().filename().string();
        node.devNode = "/dev/" + node.name;
        const std::string sys = entry.path().string();
        if (const auto uevent = ReadText(sys + "/device/uevent")) {
            node.haveIds = ParseHidId(Field(*uevent, "HID_ID"), node.vendorId, node.productId);
            node.hidName = Field(*uevent, "HID_NAME");
        }
        if (node.haveIds) node.model = hid::ModelNameFor(node.vendorId, node.productId);
        std::string dev = ReadText(sys + "/dev").value_or("");
        dev.erase(std::remove(dev.begin(), dev.end(), '\n'), dev.end());
        node.uaccessTag = !dev.empty() && HasUaccessTag(host.root, dev);
        struct stat info {};
        const std::string full = host.root + node.devNode;
        node.nodeExists = ::stat(full.c_str(), &info) == 0;
        if (node.nodeExists) {
            node.mode = info.st_mode;
            node.owner = info.st_uid;
            node.group = info.st_gid;
            node.openError = host.openError ? host.openError(full) : 0;
        }
        nodes.push_back(node);
    }
    std::sort(nodes.begin(), nodes.end(), [](const Node& a, const Node& b) {
        return a.name.size() != b.name.size() ? a.name.size() < b.name.size() : a.name < b.name;
    });
    return nodes;
}

std::string Hex4(std::uint16_t value) {
    char text[8];
    std::snprintf(text, sizeof text, "%04x", static_cast<unsigned>(value));
    return text;
}

std::string ModeText(const Node& node) {
    char text[64];
    std::snprintf(text, sizeof text, "mode %04o, owner %u, group %u",
                  static_cast<unsigned>(node.mode & 07777), static_cast<unsigned>(node.owner),
                  static_cast<unsigned>(node.group));
    return text;
}

struct Facts {
    bool udevRunning = false;
    Rule rule;
    std::string seat;
};

std::string InstallRuleStep() {
    return std::string("install the udev rule: vornctl udev-rule | sudo tee /etc/udev/rules.d/") +
           kUdevRuleName +
           " >/dev/null && sudo udevadm control --reload && sudo udevadm trigger "
           "--action=add --subsystem-match=hidraw";
}

constexpr char kTriggerStep[] =
    "apply the rule to the keyboard: sudo udevadm control --reload && sudo udevadm trigger "
    "--action=add --subsystem-match=hidraw (or plug the keyboard in again)";

// Why this user may not open the node, and the step that mends it.
std::pair<std::string, std::string> Diagnose(const Node& node, const DoctorHost& host,
                                             const Facts& facts) {
    const std::string devNode = node.devNode;
    if (!node.nodeExists) {
        return {"there is no device node " + devNode,
                facts.udevRunning ? std::string(kTriggerStep)
                                  : "udev is not running to make " + devNode +
                                        "; pass the node in from the host"};
    }
    if (node.openError != EACCES && node.openError != EPERM) {
        return {std::strerror(node.openError), "plug the keyboard in again"};
    }
    const std::string denied = "permission denied (" + ModeText(node) + ")";
    if (facts.rule.state == RuleState::kMissing) {
        return {denied + "; the udev rule is not installed", InstallRuleStep()};
    }
    if (facts.rule.state == RuleState::kMasked) {
        return {denied + "; the udev rule is masked by " + facts.rule.path,
                "remove the link " + facts.rule.path + " and " + kTriggerStep};
    }
    if (facts.rule.state == RuleState::kDifferent && !node.model.empty() && !node.uaccessTag) {
        return {denied + "; the rule " + facts.rule.path + " is not this version's",
                "replace it: vornctl udev-rule | sudo tee " + facts.rule.path +
                    " >/dev/null, then " + kTriggerStep};
    }
    if (!facts.udevRunning) {
        return {denied +
                    "; udev is not running here (a container or a minimal image?), so no "
                    "rule applies",
                "give this user access to the node from outside: run the container with " +
                    devNode + " passed in and readable, or sudo setfacl -m u:" +
                    std::to_string(host.uid) + ":rw " + devNode};
    }
    if (!node.uaccessTag) {
        return {denied +
                    "; udev has not tagged the node uaccess (the rule came after the "
                    "keyboard)",
                kTriggerStep};
    }
    if (facts.seat.empty()) {
        return {denied +
                    "; no active seat session for this user (uaccess gives access to "
                    "the session at the computer only, not over ssh or a switched-away "
                    "screen)",
                "run vornctl in a session at the computer itself (a desktop or a text "
                "console), or sudo setfacl -m u:" +
                    std::to_string(host.uid) + ":rw " + devNode};
    }
    return {denied + "; the node has no access list entry for this user",
            "the seat manager has not given the access yet: " + std::string(kTriggerStep)};
}

void PrintRule(const Facts& facts, std::ostream& out) {
    switch (facts.rule.state) {
        case RuleState::kMissing: {
            out << "udev rule:     not installed (looked for " << kUdevRuleName << " in";
            for (const std::string& folder : UdevRuleFolders()) out << ' ' << folder;
            out << ")\n";
            break;
        }
        case RuleState::kCurrent:
            out << "udev rule:     installed: " << facts.rule.path << '\n';
            break;
        case RuleState::kDifferent:
            out << "udev rule:     installed: " << facts.rule.path
                << " (differs from what vornctl udev-rule prints)\n";
            break;
        case RuleState::kMasked:
            out << "udev rule:     masked: " << facts.rule.path << " links to /dev/null\n";
            break;
    }
}

}  // namespace

const std::vector<std::string>& UdevRuleFolders() {
    static const std::vector<std::string> folders{"/etc/udev/rules.d", "/run/udev/rules.d",
                                                  "/usr/local/lib/udev/rules.d",
                                                  "/usr/lib/udev/rules.d", "/lib/udev/rules.d"};
    return folders;
}

DoctorHost SystemDoctorHost(const std::string& version) {
    DoctorHost host;
    host.version = version;
#if defined(__linux__)
    struct utsname name {};
    if (::uname(&name) == 0) {
        host.kernel = std::string(name.sysname) + " " + name.release + " " + name.machine;
    }
    host.uid = ::getuid();
    std::vector<gid_t> groups(static_cast<std::size_t>(std::max(0, ::getgroups(0, nullptr))));
    const int count =
        groups.empty() ? 0 : ::getgroups(static_cast<int>(groups.size()), groups.data());
    for (int i = 0; i < count; ++i) host.groups.push_back(groups[static_cast<std::size_t>(i)]);
    host.openError = [](const std::string& path) {
        const int fd = ::open(path.c_str(), O_RDWR | O_NONBLOCK | O_CLOEXEC);
        if (fd < 0) return errno;
        ::close(fd);
        return 0;
    };
#endif
    return host;
}

int RunDoctor(const DoctorHost& host, std::ostream& out) {
    Facts facts;
    facts.udevRunning = fs::exists(fs::path(host.root + "/run/udev/control"));
    facts.rule = FindRule(host.root);
    facts.seat = ActiveSeat(host.root, host.uid);

    out << "version:       " << host.version << '\n'
        << "kernel:        " << (host.kernel.empty() ? "unknown" : host.kernel) << '\n'
        << "distribution:  " << Distribution(host.root) << '\n'
        << "user:          uid " << host.uid;
    if (!host.groups.empty()) {
        out << ", groups";
        for (const unsigned group : host.groups) out << ' ' << group;
    }
    out << '\n'
        << "udev:          "
        << (facts.udevRunning ? "running" : "not running (no /run/udev/control)") << '\n';
    PrintRule(facts, out);
    out << "seat session:  " << (facts.seat.empty() ? "none active for this user" : facts.seat)
        << '\n';

    const std::vector<Node> nodes = FindNodes(host);
    out << "hidraw nodes:  " << nodes.size() << '\n';
    int supported = 0;
    int unusable = 0;
    std::string step;
    for (const Node& node : nodes) {
        out << "  " << node.devNode << '\t'
            << (node.haveIds ? Hex4(node.vendorId) + ":" + Hex4(node.productId)
                             : std::string("????:????"))
            << '\t' << (node.hidName.empty() ? std::string("-") : node.hidName) << '\t';
        if (node.model.empty()) {
            out << "not a supported keyboard\n";
            continue;
        }
        ++supported;
        out << "supported (" << node.model << ")" << (node.uaccessTag ? ", tagged uaccess" : "")
            << '\t';
        if (node.nodeExists && node.openError == 0) {
            out << "this user may open it\n";
            continue;
        }
        ++unusable;
        const auto [why, fix] = Diagnose(node, host, facts);
        out << "this user may not open it: " << why << '\n';
        if (step.empty()) step = fix;
    }

    if (supported == 0) {
        out << "result:        no supported keyboard is plugged in\n";
        if (facts.rule.state == RuleState::kMissing)
            step = InstallRuleStep();
        else if (facts.rule.state == RuleState::kMasked)
            step = "remove the link " + facts.rule.path;
        else
            step = "plug a supported keyboard in and run vornctl doctor again";
    } else if (unusable == 0) {
        out << "result:        every supported keyboard can be used (" << supported
            << (supported == 1 ? " node" : " nodes") << ")\n";
        step = "none";
    } else {
        out << "result:        " << unusable << " of " << supported
            << " supported keyboard nodes cannot be opened\n";
    }
    out << "next step:     " << step << '\n';
    out.flush();
    return unusable == 0 ? 0 : 1;
}

}  // namespace vorn::cli
