#include "audit/record_line.h"

#include <charconv>

namespace kestro {
namespace {

constexpr int64_t kMsPerDay = 86400000;

// Days since 1970-01-01 of a date of the proleptic Gregorian calendar, with
// March as the first month of the year so that leap days come last.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2 ? 1 : 0;
  const int64_t era = (year >= 0 ? year : year - 399) / 400;
  const int64_t year_of_era = year - era * 400;
  const int64_t day_of_year = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t day_of_era = year_of_era * 365 + year_of_era / 4 - year_of_era / 100 + day_of_year;
  return era * 146097 + day_of_era - 719468;
}

struct CivilDate {
  int64_t year;
  int64_t month;
  int64_t day;
};

// The inverse of DaysFromCivil.
CivilDate CivilFromDays(int64_t days) {
  days += 719468;
  const int64_t era = (days >= 0 ? days : days - 146096) / 146097;
  const int64_t day_of_era = days - era * 146097;
  const int64_t year_of_era =
      (day_of_era - day_of_era / 1460 + day_of_era / 36524 - day_of_era / 146096) / 365;
  const int64_t day_of_year =
      day_of_era - (365 * year_of_era + year_of_era / 4 - year_of_era / 100);
  const int64_t month_index = (5 * day_of_year + 2) / 153;
  const int64_t day = day_of_year - (153 * month_index + 2) / 5 + 1;
  const int64_t month = month_index < 10 ? month_index + 3 : month_index - 9;
  return {year_of_era + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

bool IsLeapYear(int64_t year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int64_t DaysInMonth(int64_t year, int64_t month) {
  constexpr int64_t kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : kDays[month - 1];
}

// `width` digits at the front of `*text`, consumed; none when they are not
// all there.
std::optional<int64_t> TakeDigits(std::string_view* text, size_t width) {
  if (text->size() < width) return std::nullopt;
  int64_t number = 0;
  const char* end = text->data() + width;
  const auto [stop, status] = std::from_chars(text->data(), end, number);
  if (status != std::errc() || stop != end || (*text)[0] == '-' || (*text)[0] == '+') {
    return std::nullopt;
  }
  text->remove_prefix(width);
  return number;
}

// Consumes `c` at the front of `*text`.
bool Take(std::string_view* text, char c) {
  if (text->empty() || text->front() != c) return false;
  text->remove_prefix(1);
  return true;
}

// "HH:MM[:SS[.mmm]]" at the front of `*text`, as milliseconds into the day.
std::optional<int64_t> TakeTimeOfDay(std::string_view* text) {
  const std::optional<int64_t> hour = TakeDigits(text, 2);
  if (!hour || *hour > 23 || !Take(text, ':')) return std::nullopt;
  const std::optional<int64_t> minute = TakeDigits(text, 2);
  if (!minute || *minute > 59) return std::nullopt;
  int64_t ms = (*hour * 60 + *minute) * 60000;
  if (!Take(text, ':')) return ms;
  const std::optional<int64_t> second = TakeDigits(text, 2);
  if (!second || *second > 59) return std::nullopt;
  ms += *second * 1000;
  if (!Take(text, '.')) return ms;
  const std::optional<int64_t> milli = TakeDigits(text, 3);
  if (!milli) return std::nullopt;
  return ms + *milli;
}

std::string TwoDigits(int64_t number) {
  return std::string(1, static_cast<char>('0' + number / 10)) +
         static_cast<char>('0' + number % 10);
}

}  // namespace

std::string FormatUtcTime(int64_t unix_ms) {
  const int64_t days = unix_ms >= 0 ? unix_ms / kMsPerDay : (unix_ms - kMsPerDay + 1) / kMsPerDay;
  const int64_t in_day = unix_ms - days * kMsPerDay;
  const CivilDate date = CivilFromDays(days);
  const std::string milli = std::to_string(1000 + in_day % 1000).substr(1);
  return std::to_string(date.year) + "-" + TwoDigits(date.month) + "-" + TwoDigits(date.day) + "T" +
         TwoDigits(in_day / 3600000) + ":" + TwoDigits(in_day / 60000 % 60) + ":" +
         TwoDigits(in_day / 1000 % 60) + "." + milli + "Z";
}

std::optional<int64_t> ParseUtcTime(std::string_view text) {
  const std::optional<int64_t> year = TakeDigits(&text, 4);
  if (!year || *year < 1970 || !Take(&text, '-')) return std::nullopt;
  const std::optional<int64_t> month = TakeDigits(&text, 2);
  if (!month || *month < 1 || *month > 12 || !Take(&text, '-')) return std::nullopt;
  const std::optional<int64_t> day = TakeDigits(&text, 2);
  if (!day || *day < 1 || *day > DaysInMonth(*year, *month)) return std::nullopt;
  int64_t ms = DaysFromCivil(*year, *month, *day) * kMsPerDay;
  if (Take(&text, 'T') || Take(&text, ' ')) {
    const std::optional<int64_t> in_day = TakeTimeOfDay(&text);
    if (!in_day) return std::nullopt;
    ms += *in_day;
  }
  Take(&text, 'Z');
  if (!text.empty()) return std::nullopt;
  return ms;
}

std::string RecordLine(const AuditEvent& event, int64_t unix_ms) {
  const AuditEventInfo& info = InfoOf(event.kind);
  nlohmann::ordered_json object;
  object["time"] = FormatUtcTime(unix_ms);
  object["event"] = info.name;
  for (size_t i = 0; i < info.fields.size() && i < event.values.size(); ++i) {
    nlohmann::ordered_json& field = object[info.fields[i]];
    if (const int64_t* number = std::get_if<int64_t>(&event.values[i])) {
      field = *number;
    } else if (const std::string* text = std::get_if<std::string>(&event.values[i])) {
      field = *text;
    }
  }
  // Text that is not UTF-8 is replaced, never refused: the line must be written.
  return object.dump(-1, ' ', false, nlohmann::ordered_json::error_handler_t::replace) + "\n";
}

std::optional<RecordEntry> ParseRecordLine(std::string_view line) {
  nlohmann::ordered_json object =
      nlohmann::ordered_json::parse(line.begin(), line.end(), nullptr, false);
  if (!object.is_object()) return std::nullopt;
  const auto time = object.find("time");
  const auto event = object.find("event");
  if (time == object.end() || event == object.end() || !time->is_string() || !event->is_string()) {
    return std::nullopt;
  }
  const std::optional<int64_t> unix_ms = ParseUtcTime(time->get<std::string>());
  if (!unix_ms) return std::nullopt;
  RecordEntry entry;
  entry.unix_ms = *unix_ms;
  entry.event = event->get<std::string>();
  entry.object = std::move(object);
  return entry;
}

}  // namespace kestro
