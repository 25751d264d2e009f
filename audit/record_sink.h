// The drawer's local record, written: one line per event (record_line.h) in
// the newest file of the record's folder (record_folder.h), rotated by size.
// Each line is written whole in one append and flushed to the disk, under
// the folder's lock, so that a crash or a power cut loses at most the line
// being written, and two programs writing at once never mix their lines.

#ifndef KESTRO_AUDIT_RECORD_SINK_H_
#define KESTRO_AUDIT_RECORD_SINK_H_

#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "audit/audit_events.h"
#include "audit/record_folder.h"

namespace kestro {

// What the machine's settings say of the record, read again for each event.
struct RecordLimits {
  bool enabled = true;
  // A file is rotated before a line would take it past this size. A file
  // holds more only when its one line is longer.
  uint64_t file_bytes = uint64_t{1} << 20;
};

class RecordSink : public AuditSink {
 public:
  // `folder` is borrowed and must outlive the sink. `limits` and
  // `now_unix_ms` (the time, UTC, in milliseconds since 1970) are asked at
  // each event, from the thread that reports it.
  RecordSink(RecordFolder& folder, std::function<RecordLimits()> limits,
             std::function<int64_t()> now_unix_ms);

  // Writes the event's line, unless the record is off. The first line that
  // cannot be written is told on the standard error stream, once.
  void Take(const AuditEvent& event) override;

 private:
  // Writes `line` under the folder's lock: after a torn last line it starts
  // a line of its own; when it would take the file past `file_bytes`, the
  // files are rotated first.
  bool Write(const std::string& line, uint64_t file_bytes, std::string* error);
  bool Rotate(std::string* error);

  RecordFolder& folder_;
  const std::function<RecordLimits()> limits_;
  const std::function<int64_t()> now_unix_ms_;
  std::atomic<bool> failure_told_{false};
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_RECORD_SINK_H_
