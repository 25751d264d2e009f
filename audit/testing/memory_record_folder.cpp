#include "audit/testing/memory_record_folder.h"

#include <memory>

namespace kestro_testing {
namespace {

class MutexLock : public kestro::RecordLock {
 public:
  explicit MutexLock(std::mutex& mutex) : lock_(mutex) {}

 private:
  std::lock_guard<std::mutex> lock_;
};

constexpr char kDenied[] = "access denied";

}  // namespace

std::string MemoryRecordFolder::Describe() { return "memory"; }

// The folder is looked at under the lock, as another writer may be making it.
std::unique_ptr<kestro::RecordLock> MemoryRecordFolder::Lock(bool create, std::string* error) {
  auto lock = std::make_unique<MutexLock>(lock_);
  if (create && read_only) {
    *error = kDenied;
    return nullptr;
  }
  if (!exists && !create) {
    *error = "no such folder";
    return nullptr;
  }
  exists = true;
  return lock;
}

std::optional<kestro::RecordFileEnd> MemoryRecordFolder::Inspect(const std::string& name) {
  const auto file = files.find(name);
  if (file == files.end()) return std::nullopt;
  const std::string& bytes = file->second;
  return kestro::RecordFileEnd{bytes.size(), bytes.empty() || bytes.back() == '\n'};
}

bool MemoryRecordFolder::Append(const std::string& name, const std::string& bytes,
                                std::string* error) {
  if (read_only) {
    *error = kDenied;
    return false;
  }
  files[name] += bytes;
  return true;
}

bool MemoryRecordFolder::Move(const std::string& from, const std::string& to, std::string* error) {
  const auto file = files.find(from);
  if (file == files.end()) return true;
  if (read_only) {
    *error = kDenied;
    return false;
  }
  files[to] = file->second;
  files.erase(from);
  return true;
}

std::optional<std::string> MemoryRecordFolder::Read(const std::string& name) {
  const auto file = files.find(name);
  if (file == files.end()) return std::nullopt;
  return file->second;
}

}  // namespace kestro_testing
