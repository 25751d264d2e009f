// One line of the drawer's local record: a JSON object with the time in UTC
// to the millisecond, the event's name and its fields, in the order of
// audit_events.h:
//
//   {"time":"2026-12-08T06:14:51.123Z","event":"kickSent","printer":"Receipt",
//    "jobId":12,"dialect":"escPos","pin":0,"requester":"app"}
//
// Numbers are JSON numbers, text JSON strings, a missing value null. A line
// is the object and "\n", in UTF-8.

#ifndef KESTRO_AUDIT_RECORD_LINE_H_
#define KESTRO_AUDIT_RECORD_LINE_H_

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

#include "audit/audit_events.h"

namespace kestro {

// `unix_ms` (milliseconds since 1970-01-01T00:00:00Z) as
// "YYYY-MM-DDTHH:MM:SS.mmmZ".
std::string FormatUtcTime(int64_t unix_ms);

// A time written "YYYY-MM-DD", "YYYY-MM-DDTHH:MM", "YYYY-MM-DDTHH:MM:SS" or
// "YYYY-MM-DDTHH:MM:SS.mmm", with an optional "Z" (a blank may stand for the
// "T"), always read as UTC; years 1970 to 9999. None for anything else,
// a day or an hour out of its range included.
std::optional<int64_t> ParseUtcTime(std::string_view text);

// The line of `event`, which happened at `unix_ms`, with its "\n".
std::string RecordLine(const AuditEvent& event, int64_t unix_ms);

// A line read back: its time and event name, and the whole object as
// written, members in their order.
struct RecordEntry {
  int64_t unix_ms = 0;
  std::string event;
  nlohmann::ordered_json object;
};

// `line` (without its "\n") read back; none when it is not a JSON object with
// a "time" ParseUtcTime reads and an "event" string, as a line cut short by a
// crash is not.
std::optional<RecordEntry> ParseRecordLine(std::string_view line);

}  // namespace kestro

#endif  // KESTRO_AUDIT_RECORD_LINE_H_
