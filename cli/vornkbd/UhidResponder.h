// The virtual keyboard's answers to the kernel: a get-report or set-report request for
// feature report 1 is handed to the simulated keyboard's protocol engine, and its result
// goes back as the reply event. Other events need no reply.
//
// A get-report reply starts with the report-ID byte, as a device on the wire sends it:
// the kernel passes the reply bytes through unchanged, and HIDIOCGFEATURE returns the
// smaller of the caller's length and the reply's. The engine serves R + 1 bytes a read,
// the length the link asks for.
#pragma once

#include <linux/uhid.h>

#include <cstdint>
#include <optional>
#include <ostream>

#include "sim/SimKeyboard.h"

namespace vorn::kbd {

class UhidResponder {
  public:
    // `log`, when given, gets a line per request that carries protocol bytes.
    UhidResponder(sim::SimKeyboard& keyboard, std::ostream* log);

    std::optional<uhid_event> Answer(const uhid_event& event);

    std::uint64_t GetRequests() const { return gets_; }
    std::uint64_t SetRequests() const { return sets_; }

  private:
    uhid_event AnswerGet(const uhid_get_report_req& request);
    uhid_event AnswerSet(const uhid_set_report_req& request);
    void Note(const char* what, const std::uint8_t* bytes, std::size_t count);
    void NoteEvent(const uhid_event& event);

    sim::SimKeyboard& keyboard_;
    std::ostream* log_;
    std::uint64_t gets_ = 0;
    std::uint64_t sets_ = 0;
    // Get requests answered with "no reply ready" since the last line of the log.
    std::uint64_t idlePolls_ = 0;
};

}  // namespace vorn::kbd
