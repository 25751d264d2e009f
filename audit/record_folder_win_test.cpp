// The record's folder on disk (under Wine in the tests' prefix): two writers
// with handles of their own, the first to come making the folder and its
// parent, rotating all the while, never mix their lines.

#include "audit/record_folder_win.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <map>
#include <string>
#include <thread>
#include <vector>

#include "audit/audit_events.h"
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

// The files hold all the lines, rotated three times or more.
TEST(SystemRecordFolder, TwoWritersWithHandlesOfTheirOwnNeverMixTheirLines) {
  constexpr int kLinesEach = 150;
  constexpr uint64_t kFileBytes = 8000;
  TemporaryRecordFolder temporary;
  SystemRecordFolder reader(temporary.path());
  EXPECT_FALSE(ReadRecord(reader).found);
  auto write = [&temporary](const std::string& printer) {
    SystemRecordFolder folder(temporary.path());
    RecordSink sink = SinkOn(folder, kFileBytes);
    for (int i = 0; i < kLinesEach; ++i) sink.Take(Closed(printer, i));
  };
  std::thread one(write, "one");
  std::thread two(write, "two");
  one.join();
  two.join();

  const RecordReading reading = ReadRecord(reader);
  EXPECT_EQ(reading.skipped_lines, 0u);
  size_t files = 0;
  for (const char* name : kRecordFileNames) {
    const std::optional<RecordFileEnd> end = reader.Inspect(name);
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
