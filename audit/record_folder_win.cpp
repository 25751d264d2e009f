#include "audit/record_folder_win.h"

#include <windows.h>
// Needs the declarations of <windows.h> first.
#include <knownfolders.h>
#include <objbase.h>
#include <shlobj.h>

#include <utility>

#include "text/utf16.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

constexpr char kLockFileName[] = "drawer-log.lock";
constexpr DWORD kLockStepMs = 10;
constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Owns a file handle; closes it when destroyed.
class ScopedFile {
 public:
  explicit ScopedFile(HANDLE handle) : handle_(handle) {}
  ~ScopedFile() {
    if (valid()) ::CloseHandle(handle_);
  }
  ScopedFile(const ScopedFile&) = delete;
  ScopedFile& operator=(const ScopedFile&) = delete;

  bool valid() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

// The lock: its file, locked whole, unlocked when the file is closed.
class FileLock : public RecordLock {
 public:
  explicit FileLock(HANDLE handle) : file_(handle) {}

 private:
  ScopedFile file_;
};

std::string Failure(const char* call, const std::u16string& path) {
  return std::string(call) + " failed for " + text::Utf16ToUtf8(path) + ": error " +
         std::to_string(::GetLastError());
}

// Makes `path` and its parent; one that exists already is fine.
bool MakeFolder(const std::u16string& path, std::string* error) {
  const size_t last = path.find_last_of(u'\\');
  for (const std::u16string& folder : {path.substr(0, last), path}) {
    if (!::CreateDirectoryW(text::AsWideChars(folder), nullptr) &&
        ::GetLastError() != ERROR_ALREADY_EXISTS) {
      *error = Failure("CreateDirectoryW", folder);
      return false;
    }
  }
  return true;
}

HANDLE OpenFile(const std::u16string& path, DWORD access, DWORD disposition) {
  return ::CreateFileW(text::AsWideChars(path), access, kShareAll, nullptr, disposition,
                       FILE_ATTRIBUTE_NORMAL, nullptr);
}

// Locks the whole of `file`, trying until kRecordLockWaitMs have passed.
bool LockWithin(HANDLE file) {
  for (DWORD waited = 0;; waited += kLockStepMs) {
    OVERLAPPED start = {};
    if (::LockFileEx(file, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, MAXDWORD,
                     MAXDWORD, &start)) {
      return true;
    }
    if (waited >= kRecordLockWaitMs) return false;
    ::Sleep(kLockStepMs);
  }
}

}  // namespace

std::u16string DefaultRecordFolderPath() {
  PWSTR program_data = nullptr;
  std::u16string path;
  if (SUCCEEDED(::SHGetKnownFolderPath(FOLDERID_ProgramData, 0, nullptr, &program_data))) {
    path = text::CopyWideChars(program_data) + u"\\" + kRecordFolderUnderProgramData;
  }
  ::CoTaskMemFree(program_data);
  return path;
}

SystemRecordFolder::SystemRecordFolder(std::u16string path) : path_(std::move(path)) {}

std::string SystemRecordFolder::Describe() { return text::Utf16ToUtf8(path_); }

std::unique_ptr<RecordLock> SystemRecordFolder::Lock(bool create, std::string* error) {
  if (create && !MakeFolder(path_, error)) return nullptr;
  // A writer makes the lock file; a reader, who may not be allowed to write
  // here, only opens it.
  const std::u16string lock_path = PathOf(kLockFileName);
  HANDLE file = create ? OpenFile(lock_path, GENERIC_READ | GENERIC_WRITE, OPEN_ALWAYS)
                       : OpenFile(lock_path, GENERIC_READ, OPEN_EXISTING);
  if (file == INVALID_HANDLE_VALUE) {
    *error = Failure("CreateFileW", lock_path);
    return nullptr;
  }
  auto lock = std::make_unique<FileLock>(file);
  if (!LockWithin(file)) {
    *error = "another program held " + text::Utf16ToUtf8(lock_path) + " for more than " +
             std::to_string(kRecordLockWaitMs) + " ms";
    return nullptr;
  }
  return lock;
}

std::optional<RecordFileEnd> SystemRecordFolder::Inspect(const std::string& name) {
  ScopedFile file(OpenFile(PathOf(name), GENERIC_READ, OPEN_EXISTING));
  LARGE_INTEGER size = {};
  if (!file.valid() || !::GetFileSizeEx(file.get(), &size)) return std::nullopt;
  RecordFileEnd end;
  end.size = static_cast<uint64_t>(size.QuadPart);
  if (end.size == 0) return end;
  LARGE_INTEGER last = {};
  last.QuadPart = size.QuadPart - 1;
  char byte = 0;
  DWORD read = 0;
  if (::SetFilePointerEx(file.get(), last, nullptr, FILE_BEGIN) &&
      ::ReadFile(file.get(), &byte, 1, &read, nullptr) && read == 1) {
    end.ends_with_line_end = byte == '\n';
  }
  return end;
}

bool SystemRecordFolder::Append(const std::string& name, const std::string& bytes,
                                std::string* error) {
  const std::u16string path = PathOf(name);
  ScopedFile file(OpenFile(path, FILE_APPEND_DATA, OPEN_ALWAYS));
  if (!file.valid()) {
    *error = Failure("CreateFileW", path);
    return false;
  }
  DWORD written = 0;
  if (!::WriteFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
      written != bytes.size()) {
    *error = Failure("WriteFile", path);
    return false;
  }
  if (!::FlushFileBuffers(file.get())) {
    *error = Failure("FlushFileBuffers", path);
    return false;
  }
  return true;
}

bool SystemRecordFolder::Move(const std::string& from, const std::string& to, std::string* error) {
  const std::u16string source = PathOf(from);
  if (::MoveFileExW(text::AsWideChars(source), text::AsWideChars(PathOf(to)),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) {
    return true;
  }
  const DWORD code = ::GetLastError();
  if (code == ERROR_FILE_NOT_FOUND) return true;
  ::SetLastError(code);
  *error = Failure("MoveFileExW", source);
  return false;
}

std::optional<std::string> SystemRecordFolder::Read(const std::string& name) {
  ScopedFile file(OpenFile(PathOf(name), GENERIC_READ, OPEN_EXISTING));
  LARGE_INTEGER size = {};
  if (!file.valid() || !::GetFileSizeEx(file.get(), &size)) return std::nullopt;
  std::string bytes(static_cast<size_t>(size.QuadPart), '\0');
  DWORD read = 0;
  if (!bytes.empty() &&
      (!::ReadFile(file.get(), bytes.data(), static_cast<DWORD>(bytes.size()), &read, nullptr) ||
       read != bytes.size())) {
    return std::nullopt;
  }
  return bytes;
}

std::u16string SystemRecordFolder::PathOf(const std::string& name) const {
  return path_ + u"\\" + text::Utf8ToUtf16(name);
}

}  // namespace kestro
