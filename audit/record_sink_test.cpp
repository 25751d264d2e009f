// The local record written and read back, on a folder in memory: rotation by
// size with the bound held exactly, a torn last line, a folder that is
// missing or may not be written, the record turned off, and writers on
// several threads.

#include "audit/record_sink.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <thread>
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
using kestro_testing::StderrCapture;
using Files = std::map<std::string, std::string>;

constexpr int64_t kNow = 1796710491123;

// The event "programStarted" whose version is `tag` padded with "x" so that
// its line is `length` bytes long, "\n" included.
AuditEvent EventOfLength(const std::string& tag, size_t length) {
  const size_t bare = RecordLine(Event(AuditEventKind::kProgramStarted, {tag}), kNow).size();
  return Event(AuditEventKind::kProgramStarted, {tag + std::string(length - bare, 'x')});
}

std::string LineOf(const AuditEvent& event) { return RecordLine(event, kNow); }

RecordSink SinkOn(MemoryRecordFolder& folder, RecordLimits limits) {
  return RecordSink(
      folder, [limits] { return limits; }, [] { return kNow; });
}

TEST(RecordSink, RotatesBeforeALineWouldPassTheSizeAndKeepsFiveFiles) {
  struct Case {
    const char* name;
    uint64_t file_bytes;
    std::vector<size_t> lengths;  // of the lines written, in order
    // The lines (by their place in `lengths`) each file holds, newest file first.
    std::vector<std::vector<size_t>> files;
  };
  const std::vector<Case> cases = {
      {"two lines fill the file exactly", 200, {100, 100}, {{0, 1}}},
      {"one byte more rotates", 200, {100, 101}, {{1}, {0}}},
      {"a line longer than a file stands alone", 200, {100, 300, 100}, {{2}, {1}, {0}}},
      {"the oldest files are dropped",
       100,
       {100, 100, 100, 100, 100, 100, 100},
       {{6}, {5}, {4}, {3}, {2}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRecordFolder folder;
    RecordSink sink = SinkOn(folder, {true, c.file_bytes});
    std::vector<std::string> lines;
    for (size_t i = 0; i < c.lengths.size(); ++i) {
      const AuditEvent event = EventOfLength(std::to_string(i), c.lengths[i]);
      lines.push_back(LineOf(event));
      sink.Take(event);
    }
    Files expected;
    for (size_t f = 0; f < c.files.size(); ++f) {
      for (size_t line : c.files[f]) expected[kRecordFileNames[f]] += lines[line];
    }
    EXPECT_EQ(folder.files, expected);
  }
}

TEST(RecordSink, StartsANewLineAfterATornOneAndCountsItsLineEnd) {
  const std::string torn = "{\"time\":\"2026-12-08T06:1";
  const AuditEvent fits = EventOfLength("a", 100 - torn.size() - 1);
  const AuditEvent one_more = EventOfLength("b", 100 - torn.size());
  {
    MemoryRecordFolder folder;
    folder.files[kRecordFileNames[0]] = torn;
    SinkOn(folder, {true, 100}).Take(fits);
    EXPECT_EQ(folder.files, (Files{{kRecordFileNames[0], torn + "\n" + LineOf(fits)}}));
  }
  {
    MemoryRecordFolder folder;
    folder.files[kRecordFileNames[0]] = torn;
    SinkOn(folder, {true, 100}).Take(one_more);
    EXPECT_EQ(folder.files,
              (Files{{kRecordFileNames[0], LineOf(one_more)}, {kRecordFileNames[1], torn}}));
  }
}

TEST(RecordSink, TellsAFolderItCannotWriteOnceAndWritesNothingWhenOff) {
  const AuditEvent event = Event(AuditEventKind::kDrawerReadOpen, {std::string("Receipt")});
  struct Case {
    const char* name;
    bool exists;
    bool read_only;
    bool enabled;
    Files files;
    std::vector<std::string> lines;
  };
  const std::vector<Case> cases = {
      {"a missing folder is made",
       false,
       false,
       true,
       Files{{kRecordFileNames[0], LineOf(event) + LineOf(event)}},
       {}},
      {"a read-only folder",
       true,
       true,
       true,
       Files{},
       {"Warning: could not write the cash drawer record in memory: access denied"}},
      {"a missing folder that cannot be made",
       false,
       true,
       true,
       Files{},
       {"Warning: could not write the cash drawer record in memory: access denied"}},
      {"the record turned off", false, false, false, Files{}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    MemoryRecordFolder folder;
    folder.exists = c.exists;
    folder.read_only = c.read_only;
    RecordSink sink = SinkOn(folder, {c.enabled, 1000});
    StderrCapture capture;
    sink.Take(event);
    sink.Take(event);
    EXPECT_EQ(capture.TakeLines(), c.lines);
    EXPECT_EQ(folder.files, c.files);
  }
}

TEST(ReadRecord, ReadsTheFilesOldestFirstAndSkipsTornAndForeignLines) {
  const std::string a = LineOf(Event(AuditEventKind::kDrawerReadOpen, {std::string("A")}));
  const std::string b = LineOf(Event(AuditEventKind::kDrawerReadOpen, {std::string("B")}));
  const std::string c = LineOf(Event(AuditEventKind::kDrawerReadOpen, {std::string("C")}));
  MemoryRecordFolder folder;
  folder.read_only = true;  // a technician who may read, not write
  folder.files = {{kRecordFileNames[4], a + "{\"time\":\"2026\n"},
                  {kRecordFileNames[2], b},
                  {kRecordFileNames[0], "not json\n" + c + "{\"time\":\"2026-12-08T0"}};
  const RecordReading reading = ReadRecord(folder);
  EXPECT_TRUE(reading.found);
  std::vector<std::string> read;
  for (const RecordEntry& entry : reading.entries) read.push_back(entry.object.dump() + "\n");
  EXPECT_EQ(read, (std::vector<std::string>{a, b, c}));
  EXPECT_EQ(reading.skipped_lines, 3u);

  MemoryRecordFolder missing;
  missing.exists = false;
  const RecordReading none = ReadRecord(missing);
  EXPECT_FALSE(none.found);
  EXPECT_EQ(none.error, "no such folder");
  EXPECT_TRUE(none.entries.empty());
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
