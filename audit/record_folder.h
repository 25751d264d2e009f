// The folder of the drawer's local record, as the record's writer and reader
// need it: a lock that every process writing or reading the record takes,
// and whole-file operations. Behind an interface so that rotation, a torn
// line and a folder that cannot be written are tested without a disk.
//
// The record's files, newest first: kRecordFileNames[0] is written to; at
// rotation each one moves down a place and the last is dropped.

#ifndef KESTRO_AUDIT_RECORD_FOLDER_H_
#define KESTRO_AUDIT_RECORD_FOLDER_H_

#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <optional>
#include <string>

namespace kestro {

inline constexpr const char* kRecordFileNames[] = {
    "drawer-log.jsonl",   "drawer-log.1.jsonl", "drawer-log.2.jsonl",
    "drawer-log.3.jsonl", "drawer-log.4.jsonl",
};
inline constexpr size_t kRecordFilesKept = std::size(kRecordFileNames);

// The record's folder under %ProgramData%.
inline constexpr char16_t kRecordFolderUnderProgramData[] = u"kestro\\drawer-log";

// Held while the record is written or read; released when destroyed.
class RecordLock {
 public:
  virtual ~RecordLock() = default;
};

// How a file of the record ends.
struct RecordFileEnd {
  uint64_t size = 0;
  // Whether its last byte is "\n" (or it is empty): false after a line that
  // a crash cut short.
  bool ends_with_line_end = true;
};

class RecordFolder {
 public:
  virtual ~RecordFolder() = default;

  // The folder, for messages: its path.
  virtual std::string Describe() = 0;

  // Takes the lock, waiting a bounded time for another holder; with
  // `create`, makes the folder first when it is missing. Null when it cannot,
  // after `*error` says why.
  virtual std::unique_ptr<RecordLock> Lock(bool create, std::string* error) = 0;

  // How file `name` ends; none when it does not exist.
  virtual std::optional<RecordFileEnd> Inspect(const std::string& name) = 0;

  // Appends `bytes` to file `name` (made when missing) in one write, and
  // flushes them to the disk before returning. False after `*error` says why.
  virtual bool Append(const std::string& name, const std::string& bytes, std::string* error) = 0;

  // Renames file `from` to `to`, replacing `to`. A missing `from` is no
  // error and changes nothing. False after `*error` says why.
  virtual bool Move(const std::string& from, const std::string& to, std::string* error) = 0;

  // The whole of file `name`; none when it does not exist or cannot be read.
  virtual std::optional<std::string> Read(const std::string& name) = 0;
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_RECORD_FOLDER_H_
