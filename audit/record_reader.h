// The drawer's local record, read back: every line of its files, oldest
// first, for kestro-drawer's `log`.

#ifndef KESTRO_AUDIT_RECORD_READER_H_
#define KESTRO_AUDIT_RECORD_READER_H_

#include <cstddef>
#include <string>
#include <vector>

#include "audit/record_folder.h"
#include "audit/record_line.h"

namespace kestro {

struct RecordReading {
  // False when the folder cannot be locked (it does not exist, for one);
  // `error` then says why.
  bool found = false;
  std::string error;
  // The lines read, oldest first: the files from the oldest to the newest,
  // each from its start.
  std::vector<RecordEntry> entries;
  // Lines that ParseRecordLine refuses, a last line without its "\n" among
  // them: a line a crash cut short.
  size_t skipped_lines = 0;
};

// Reads every file of the record under the folder's lock.
RecordReading ReadRecord(RecordFolder& folder);

}  // namespace kestro

#endif  // KESTRO_AUDIT_RECORD_READER_H_
