// The drawer's local record on a Windows disk: the files of the record in
// one folder, %ProgramData%\kestro\drawer-log by default. The lock is a
// LockFileEx lock on the folder's file "drawer-log.lock", which every
// process honours, the app and kestro-drawer, in any session; it is taken
// within kRecordLockWaitMs or not at all.

#ifndef KESTRO_AUDIT_RECORD_FOLDER_WIN_H_
#define KESTRO_AUDIT_RECORD_FOLDER_WIN_H_

#include <cstdint>
#include <string>

#include "audit/record_folder.h"

namespace kestro {

inline constexpr int64_t kRecordLockWaitMs = 2000;

// %ProgramData%\kestro\drawer-log, or empty when the system does not say
// where %ProgramData% is.
std::u16string DefaultRecordFolderPath();

class SystemRecordFolder : public RecordFolder {
 public:
  // The folder at the absolute `path`, made (with its parent) when a writer
  // locks it.
  explicit SystemRecordFolder(std::u16string path);

  std::string Describe() override;
  std::unique_ptr<RecordLock> Lock(bool create, std::string* error) override;
  std::optional<RecordFileEnd> Inspect(const std::string& name) override;
  bool Append(const std::string& name, const std::string& bytes, std::string* error) override;
  bool Move(const std::string& from, const std::string& to, std::string* error) override;
  std::optional<std::string> Read(const std::string& name) override;

 private:
  std::u16string PathOf(const std::string& name) const;

  const std::u16string path_;
};

}  // namespace kestro

#endif  // KESTRO_AUDIT_RECORD_FOLDER_WIN_H_
