#include "audit/record_sink.h"

#include <memory>
#include <optional>
#include <utility>

#include "audit/record_line.h"
#include "codec/stderr_line.h"

namespace kestro {

RecordSink::RecordSink(RecordFolder& folder, std::function<RecordLimits()> limits,
                       std::function<int64_t()> now_unix_ms)
    : folder_(folder), limits_(std::move(limits)), now_unix_ms_(std::move(now_unix_ms)) {}

void RecordSink::Take(const AuditEvent& event) {
  const RecordLimits limits = limits_();
  if (!limits.enabled) return;
  std::string error;
  if (!Write(RecordLine(event, now_unix_ms_()), limits.file_bytes, &error) &&
      !failure_told_.exchange(true)) {
    flutter::WriteStderrLine("Warning: could not write the cash drawer record in " +
                             folder_.Describe() + ": " + error);
  }
}

bool RecordSink::Write(const std::string& line, uint64_t file_bytes, std::string* error) {
  const std::unique_ptr<RecordLock> lock = folder_.Lock(true, error);
  if (!lock) return false;
  const char* newest = kRecordFileNames[0];
  const std::optional<RecordFileEnd> end = folder_.Inspect(newest);
  const bool torn = end && !end->ends_with_line_end;
  const uint64_t size = end ? end->size : 0;
  if (size > 0 && size + line.size() + (torn ? 1 : 0) > file_bytes) {
    if (!Rotate(error)) return false;
    return folder_.Append(newest, line, error);
  }
  return folder_.Append(newest, torn ? "\n" + line : line, error);
}

bool RecordSink::Rotate(std::string* error) {
  for (size_t i = kRecordFilesKept - 1; i > 0; --i) {
    if (!folder_.Move(kRecordFileNames[i - 1], kRecordFileNames[i], error)) return false;
  }
  return true;
}

}  // namespace kestro
