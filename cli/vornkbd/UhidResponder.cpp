#include "cli/vornkbd/UhidResponder.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "hid/LinkProtocol.h"

namespace vorn::kbd {

namespace {

bool IsFeatureReport1(std::uint8_t type, std::uint8_t number) {
    return type == UHID_FEATURE_REPORT && number == hid::kReportId;
}

// What the engine serves while no reply is ready: the report ID, then zeros.
bool IsIdle(const std::uint8_t* report, std::size_t count) {
    return std::all_of(report + 1, report + count, [](std::uint8_t b) { return b == 0; });
}

uhid_event Event(std::uint32_t type) {
    uhid_event event;
    std::memset(&event, 0, sizeof event);
    event.type = type;
    return event;
}

}  // namespace

UhidResponder::UhidResponder(sim::SimKeyboard& keyboard, std::ostream* log)
    : keyboard_(keyboard), log_(log) {}

std::optional<uhid_event> UhidResponder::Answer(const uhid_event& event) {
    switch (event.type) {
        case UHID_GET_REPORT:
            ++gets_;
            return AnswerGet(event.u.get_report);
        case UHID_SET_REPORT:
            ++sets_;
            return AnswerSet(event.u.set_report);
        default:
            NoteEvent(event);
            return std::nullopt;
    }
}

uhid_event UhidResponder::AnswerGet(const uhid_get_report_req& request) {
    uhid_event reply = Event(UHID_GET_REPORT_REPLY);
    reply.u.get_report_reply.id = request.id;
    if (!IsFeatureReport1(request.rtype, request.rnum)) {
        reply.u.get_report_reply.err = EIO;
        Note("GET of an unknown report, refused", &request.rnum, 1);
        return reply;
    }
    const std::size_t size = static_cast<std::size_t>(keyboard_.ReportLength()) + 1;
    std::uint8_t* data = reply.u.get_report_reply.data;
    data[0] = hid::kReportId;
    if (keyboard_.OnGetFeature(data, size) != hid::HidCall::kOk) {
        reply.u.get_report_reply.err = EIO;
        Note("GET failed in the keyboard", nullptr, 0);
        return reply;
    }
    reply.u.get_report_reply.size = static_cast<std::uint16_t>(size);
    if (IsIdle(data, size)) {
        ++idlePolls_;
    } else {
        Note("GET ->", data, size);
    }
    return reply;
}

uhid_event UhidResponder::AnswerSet(const uhid_set_report_req& request) {
    uhid_event reply = Event(UHID_SET_REPORT_REPLY);
    reply.u.set_report_reply.id = request.id;
    const std::size_t size = std::min<std::size_t>(request.size, UHID_DATA_MAX);
    Note("SET", request.data, size);
    const bool taken = IsFeatureReport1(request.rtype, request.rnum) &&
                       keyboard_.OnSetFeature(request.data, size) == hid::HidCall::kOk;
    if (!taken) {
        reply.u.set_report_reply.err = EIO;
        Note("SET refused", nullptr, 0);
    }
    return reply;
}

void UhidResponder::Note(const char* what, const std::uint8_t* bytes, std::size_t count) {
    if (!log_) return;
    if (idlePolls_ > 0) *log_ << "vornkbd: (" << idlePolls_ << " GET with no reply ready)\n";
    idlePolls_ = 0;
    *log_ << "vornkbd: " << what;
    char hex[4];
    for (std::size_t i = 0; i < count; ++i) {
        std::snprintf(hex, sizeof hex, " %02X", bytes[i]);
        *log_ << hex;
    }
    *log_ << '\n';
    log_->flush();
}

void UhidResponder::NoteEvent(const uhid_event& event) {
    const char* name = "event";
    switch (event.type) {
        case UHID_START:
            name = "START";
            break;
        case UHID_STOP:
            name = "STOP";
            break;
        case UHID_OPEN:
            name = "OPEN";
            break;
        case UHID_CLOSE:
            name = "CLOSE";
            break;
        case UHID_OUTPUT:
            name = "OUTPUT report, ignored";
            break;
        default:
            break;
    }
    Note(name, nullptr, 0);
}

}  // namespace vorn::kbd
