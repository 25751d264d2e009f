// A record folder in memory, for tests of the record's writer and reader: its
// files are a map, it may be missing or refuse every change, and its lock is
// a mutex, so that writers on several threads take turns as on a disk.

#ifndef KESTRO_AUDIT_TESTING_MEMORY_RECORD_FOLDER_H_
#define KESTRO_AUDIT_TESTING_MEMORY_RECORD_FOLDER_H_

#include <map>
#include <mutex>
#include <string>

#include "audit/record_folder.h"

namespace kestro_testing {

class MemoryRecordFolder : public kestro::RecordFolder {
 public:
  // The files by name. Tests change and read them only while no writer runs.
  std::map<std::string, std::string> files;
  // Whether the folder exists; a writer's lock makes it unless it is
  // read-only.
  bool exists = true;
  // A writer's lock, and every change, fails, as in a folder the program may
  // not write; a reader's lock is taken.
  bool read_only = false;

  std::string Describe() override;
  std::unique_ptr<kestro::RecordLock> Lock(bool create, std::string* error) override;
  std::optional<kestro::RecordFileEnd> Inspect(const std::string& name) override;
  bool Append(const std::string& name, const std::string& bytes, std::string* error) override;
  bool Move(const std::string& from, const std::string& to, std::string* error) override;
  std::optional<std::string> Read(const std::string& name) override;

 private:
  std::mutex lock_;
};

}  // namespace kestro_testing

#endif  // KESTRO_AUDIT_TESTING_MEMORY_RECORD_FOLDER_H_
