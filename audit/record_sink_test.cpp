// The local record written and read back, on a folder in memory: rotation by
// size with the bound held exactly, a torn last line, a folder that is
// missing or may not be written, the record turned off, and writers on
// several threads.

#include "audit/record_sink.h"

#include <gtest/gtest.h>

#include <limits>
#include <map>
#include <string>
#include <thread>
#include <tuple>
#include <vector>

#include "audit/record_line.h"
#include "audit/record_reader.h"
#include "audit/testing/memory_record_folder.h"
#include "audit/testing/record_order.h"
#include "audit/testing/recording_audit.h"
#include "codec/testing/stderr_capture.h"

namespace kestro {
namespace {

using kestro_testing::Event;
using kestro_testing::MemoryRecordFolder;
using Files = std::map<std::string, std::string>;

constexpr int64_t kNow = 1796710491123;
// A line a crash cut short, 24 bytes, and its place in a case's files.
constexpr char kTorn[] = "{\"time\":\"2026-12-08T06:1";
constexpr size_t kTornLine = std::numeric_limits<size_t>::max();

// The event "programStarted" whose version is `tag` padded with "x" so that
// its line is `length` bytes long, "\n" included.
AuditEvent EventOfLength(const std::string& tag, size_t length) {
  const size_t bare = RecordLine(Event(AuditEventKind::kProgramStarted, {tag}), kNow).size();
  return Event(AuditEventKind::kProgramStarted, {tag + std::string(length - bare, 'x')});
}

RecordSink SinkOn(MemoryRecordFolder& folder, RecordLimits limits) {
  return RecordSink(
      folder, [limits] { return limits; }, [] { return kNow; });
}

TEST(RecordSink, RotatesBeforeALineWouldPassTheSizeAndKeepsFiveFiles) {
  struct Case {
    const char* name;
    uint64_t file_bytes;
    bool torn;                    // the newest file ends with kTorn
    std::vector<size_t> lengths;  // of the lines written, in order
    // The lines (by their place in `lengths`, or kTornLine) each file holds,
    // newest file first.
    std::vector<std::vector<size_t>> files;
  };
  const std::vector<Case> cases = {
      {"two lines fill the file exactly", 200, false, {100, 100}, {{0, 1}}},
      {"one byte more rotates", 200, false, {100, 101}, {{1}, {0}}},
      {"a line longer than a file stands alone", 200, false, {100, 300, 100}, {{2}, {1}, {0}}},
      {"the oldest files are dropped",
       100,
       false,
       {100, 100, 100, 100, 100, 100, 100},
       {{6}, {5}, {4}, {3}, {2}}},
      {"a torn line is ended, its line end counted", 200, true, {175}, {{kTornLine, 0}}},
      {"one byte more rotates the torn line away", 200, true, {176}, {{0}, {kTornLine}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRecordFolder folder;
    if (c.torn) folder.files[kRecordFileNames[0]] = kTorn;
    RecordSink sink = SinkOn(folder, {true, c.file_bytes});
    std::vector<std::string> lines;
    for (size_t i = 0; i < c.lengths.size(); ++i) {
      const AuditEvent event = EventOfLength(std::to_string(i), c.lengths[i]);
      lines.push_back(RecordLine(event, kNow));
      sink.Take(event);
    }
    Files expected;
    for (size_t f = 0; f < c.files.size(); ++f) {
      std::string& file = expected[kRecordFileNames[f]];
      for (size_t line : c.files[f]) {
        file += line == kTornLine ? std::string(kTorn) + (c.files[f].size() > 1 ? "\n" : "")
                                  : lines[line];
      }
    }
    EXPECT_EQ(folder.files, expected);
  }
}

TEST(RecordSink, TellsAFolderItCannotWriteOnceAndWritesNothingWhenOff) {
  const AuditEvent event = Event(AuditEventKind::kDrawerReadOpen, {std::string("Receipt")});
  const std::string line = RecordLine(event, kNow);
  const std::vector<std::string> denied = {
      "Warning: could not write the cash drawer record in memory: access denied"};
  struct Case {
    const char* name;
    bool exists, read_only, enabled;
    Files files;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"a missing folder is made", false, false, true, {{kRecordFileNames[0], line + line}}, {}},
      {"a read-only folder", true, true, true, {}, denied},
      {"a missing folder that cannot be made", false, true, true, {}, denied},
      {"the record turned off", false, false, false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRecordFolder folder;
    folder.exists = c.exists;
    folder.read_only = c.read_only;
    RecordSink sink = SinkOn(folder, {c.enabled, 1000});
    kestro_testing::StderrCapture capture;
    sink.Take(event);
    sink.Take(event);
    EXPECT_EQ(capture.TakeLines(), c.lines);
    EXPECT_EQ(folder.files, c.files);
  }
}

TEST(ReadRecord, ReadsTheFilesOldestFirstAndSkipsTornAndForeignLines) {
  std::vector<std::string> lines;
  for (const char* printer : {"A", "B", "C"}) {
    lines.push_back(
        RecordLine(Event(AuditEventKind::kDrawerReadOpen, {std::string(printer)}), kNow));
  }
  MemoryRecordFolder folder;
  folder.read_only = true;  // a technician who may read, not write
  folder.files = {{kRecordFileNames[4], lines[0] + "{\"time\":\"2026\n"},
                  {kRecordFileNames[2], lines[1]},
                  {kRecordFileNames[0], "not json\n" + lines[2] + kTorn}};
  const RecordReading reading = ReadRecord(folder);
  std::vector<std::string> read;
  for (const RecordEntry& entry : reading.entries) read.push_back(entry.object.dump() + "\n");
  EXPECT_EQ(std::make_tuple(reading.found, read, reading.skipped_lines),
            std::make_tuple(true, lines, size_t{3}));

  folder.exists = false;
  const RecordReading none = ReadRecord(folder);
  EXPECT_EQ(std::make_tuple(none.found, none.error, none.entries.size()),
            std::make_tuple(false, std::string("no such folder"), size_t{0}));
}

// Writers on two threads, rotating all the while (the files hold all their
// lines, rotated four times or more): every line is kept whole, each writer's
// in its order, and every file within the bound.
TEST(RecordSink, WritersOnSeveralThreadsNeverMixTheirLines) {
  constexpr int kLinesEach = 200;
  constexpr uint64_t kFileBytes = 10000;
  MemoryRecordFolder folder;
  RecordSink first = SinkOn(folder, {true, kFileBytes});
  RecordSink second = SinkOn(folder, {true, kFileBytes});
  auto write = [](RecordSink* sink, const char* printer) {
    for (int i = 0; i < kLinesEach; ++i) {
      sink->Take(Event(AuditEventKind::kDrawerReadClosed, {std::string(printer), int64_t{i}}));
    }
  };
  std::thread one(write, &first, "one");
  std::thread two(write, &second, "two");
  one.join();
  two.join();
  const RecordReading reading = ReadRecord(folder);
  EXPECT_EQ(reading.skipped_lines, 0u);
  EXPECT_GE(folder.files.size(), 4u);
  for (const auto& [name, bytes] : folder.files) EXPECT_LE(bytes.size(), kFileBytes) << name;
  EXPECT_EQ(kestro_testing::LinesOfEachWriter(reading),
            kestro_testing::EveryLineInOrder({"one", "two"}, kLinesEach));
}

}  // namespace
}  // namespace kestro
