// The record's folder on disk (under Wine in the tests' prefix): a writer
// makes the folder and its parent, lines go to the files the sink names, a
// torn line is found, and two writers with handles of their own, rotating all
// the while, never mix their lines.

#include "audit/record_folder_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "audit/audit_events.h"
#include "audit/record_line.h"
#include "audit/record_reader.h"
#include "audit/record_sink.h"
#include "audit/testing/record_order.h"
#include "text/utf16.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

constexpr int64_t kNow = 1796710491123;

// A folder of the test's own under the temporary folder, two levels deep as
// the record's is, removed with what it holds when the test ends.
class TemporaryRecordFolder {
 public:
  TemporaryRecordFolder() {
    wchar_t temp[MAX_PATH];
    const DWORD length = ::GetTempPathW(MAX_PATH, temp);
    parent_ = text::CopyWideChars(temp).substr(0, length) + u"kestro-record-test-" +
              text::Utf8ToUtf16(std::to_string(::GetCurrentProcessId()));
    path_ = parent_ + u"\\drawer-log";
  }
  ~TemporaryRecordFolder() {
    for (const char* name : kRecordFileNames) Remove(name);
    Remove("drawer-log.lock");
    ::RemoveDirectoryW(text::AsWideChars(path_));
    ::RemoveDirectoryW(text::AsWideChars(parent_));
  }
  TemporaryRecordFolder(const TemporaryRecordFolder&) = delete;
  TemporaryRecordFolder& operator=(const TemporaryRecordFolder&) = delete;

  const std::u16string& path() const { return path_; }

 private:
  void Remove(const char* name) {
    ::DeleteFileW(text::AsWideChars(path_ + u"\\" + text::Utf8ToUtf16(name)));
  }

  std::u16string parent_;
  std::u16string path_;
};

AuditEvent Closed(const std::string& printer, int64_t index) {
  return {AuditEventKind::kDrawerReadClosed, AuditSeverity::kInformation, {printer, index}};
}

RecordSink SinkOn(RecordFolder& folder, uint64_t file_bytes) {
  return RecordSink(
      folder,
      [file_bytes] {
        return RecordLimits{true, file_bytes};
      },
      [] { return kNow; });
}

TEST(SystemRecordFolder, AWriterMakesTheFolderAndAppendsWholeLines) {
  TemporaryRecordFolder temporary;
  SystemRecordFolder folder(temporary.path());
  EXPECT_FALSE(ReadRecord(folder).found);

  RecordSink sink = SinkOn(folder, 1000);
  sink.Take(Closed("A", 1));
  sink.Take(Closed("B", 2));
  const std::string lines = RecordLine(Closed("A", 1), kNow) + RecordLine(Closed("B", 2), kNow);
  EXPECT_EQ(folder.Read(kRecordFileNames[0]), lines);
  const std::optional<RecordFileEnd> end = folder.Inspect(kRecordFileNames[0]);
  ASSERT_TRUE(end.has_value());
  EXPECT_EQ((std::pair<uint64_t, bool>(end->size, end->ends_with_line_end)),
            (std::pair<uint64_t, bool>(lines.size(), true)));

  std::string error;
  ASSERT_TRUE(folder.Append(kRecordFileNames[0], "{\"torn", &error)) << error;
  EXPECT_FALSE(folder.Inspect(kRecordFileNames[0])->ends_with_line_end);
  ASSERT_TRUE(folder.Move(kRecordFileNames[0], kRecordFileNames[1], &error)) << error;
  EXPECT_FALSE(folder.Inspect(kRecordFileNames[0]).has_value());
  EXPECT_EQ(folder.Read(kRecordFileNames[1]), lines + "{\"torn");
  // Moving a file that is not there changes nothing.
  EXPECT_TRUE(folder.Move(kRecordFileNames[3], kRecordFileNames[4], &error)) << error;
  EXPECT_FALSE(folder.Inspect(kRecordFileNames[4]).has_value());

  const RecordReading reading = ReadRecord(folder);
  EXPECT_TRUE(reading.found);
  EXPECT_EQ(reading.entries.size(), 2u);
  EXPECT_EQ(reading.skipped_lines, 1u);
}

// The files hold all the lines, rotated three times or more.
TEST(SystemRecordFolder, TwoWritersWithHandlesOfTheirOwnNeverMixTheirLines) {
  constexpr int kLinesEach = 150;
  constexpr uint64_t kFileBytes = 8000;
  TemporaryRecordFolder temporary;
  auto write = [&temporary](const std::string& printer) {
    SystemRecordFolder folder(temporary.path());
    RecordSink sink = SinkOn(folder, kFileBytes);
    for (int i = 0; i < kLinesEach; ++i) sink.Take(Closed(printer, i));
  };
  std::thread one(write, "one");
  std::thread two(write, "two");
  one.join();
  two.join();

  SystemRecordFolder folder(temporary.path());
  const RecordReading reading = ReadRecord(folder);
  EXPECT_EQ(reading.skipped_lines, 0u);
  size_t files = 0;
  for (const char* name : kRecordFileNames) {
    const std::optional<RecordFileEnd> end = folder.Inspect(name);
    if (!end) continue;
    ++files;
    EXPECT_LE(end->size, kFileBytes) << name;
  }
  EXPECT_GE(files, 4u);
  EXPECT_EQ(kestro_testing::LinesOfEachWriter(reading),
            kestro_testing::EveryLineInOrder({"one", "two"}, kLinesEach));
}

}  // namespace
}  // namespace kestro
