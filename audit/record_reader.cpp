#include "audit/record_reader.h"

#include <memory>
#include <optional>
#include <string_view>

namespace kestro {
namespace {

void ReadLines(std::string_view text, RecordReading* reading) {
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (end == std::string_view::npos) {
      ++reading->skipped_lines;
      return;
    }
    std::optional<RecordEntry> entry = ParseRecordLine(text.substr(0, end));
    if (entry) {
      reading->entries.push_back(std::move(*entry));
    } else {
      ++reading->skipped_lines;
    }
    text.remove_prefix(end + 1);
  }
}

}  // namespace

RecordReading ReadRecord(RecordFolder& folder) {
  RecordReading reading;
  const std::unique_ptr<RecordLock> lock = folder.Lock(false, &reading.error);
  if (!lock) return reading;
  reading.found = true;
  for (size_t i = kRecordFilesKept; i > 0; --i) {
    if (const std::optional<std::string> text = folder.Read(kRecordFileNames[i - 1])) {
      ReadLines(*text, &reading);
    }
  }
  return reading;
}

}  // namespace kestro
