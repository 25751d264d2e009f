#include "cash_drawer/testing/fake_print_spooler.h"

#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstdlib>

#include "cash_drawer/printer_opening.h"

namespace kestro_testing {

using kestro::JobRecord;
using kestro::kInsufficientBufferError;
using kestro::kInvalidHandleError;
using kestro::kInvalidParameterError;
using kestro::kInvalidPrinterNameError;
using kestro::OpenedPrinter;
using kestro::PrinterInfoLevel;
using kestro::PrinterRecord;

namespace {

uint32_t TextBytes(const std::optional<std::u16string>& text) {
  return text ? static_cast<uint32_t>((text->size() + 1) * sizeof(char16_t)) : 0;
}

const char* const kJobCalls[] = {
    "OpenPrinterW",     "OpenPrinter2W", "GetPrinterDriverW", "GetPrinterW",   "StartDocPrinterW",
    "StartPagePrinter", "WritePrinter",  "EndPagePrinter",    "EndDocPrinter", "AbortPrinter",
    "GetJobW",          "SetJobW",       "EnumJobsW",         "ClosePrinter",  "GetLastError"};

// The call log's text of a data type, which is plain ASCII.
std::string Narrow(const std::u16string& text) { return std::string(text.begin(), text.end()); }

}  // namespace

class FakePrintSpooler::FakeOpenedPrinter : public OpenedPrinter {
 public:
  FakeOpenedPrinter(FakePrintSpooler* spooler, const std::u16string& name, bool uncached)
      : spooler_(spooler),
        name_(name),
        cached_(!uncached && kestro::IsSharedPrinterName(name)),
        generation_(spooler->ServiceGeneration()) {
    ++spooler_->open_printers_;
  }
  ~FakeOpenedPrinter() override {
    auto lock = spooler_->Lock();
    spooler_->Record("ClosePrinter");
    --spooler_->open_printers_;
  }

  std::optional<uint32_t> DriverAttributes() override {
    auto lock = spooler_->Lock();
    spooler_->Record("GetPrinterDriverW");
    if (Stale() || spooler_->Fails(Step::kGetPrinterDriver)) return std::nullopt;
    return spooler_->driver_attributes;
  }

  std::optional<uint32_t> Attributes() override {
    auto lock = spooler_->Lock();
    spooler_->Record("GetPrinterW(2)");
    if (Stale() || spooler_->Fails(Step::kGetPrinter)) return std::nullopt;
    return spooler_->PrinterAttributes(name_);
  }

  uint32_t StartDocument(const std::u16string& document_name, const std::u16string& data_type,
                         uint32_t* error_code) override {
    auto lock = spooler_->Lock();
    spooler_->Record("StartDocPrinterW(" + Narrow(data_type) + ")");
    spooler_->document_name_ = document_name;
    auto refused = spooler_->refused_data_types.find(data_type);
    if (refused != spooler_->refused_data_types.end()) {
      spooler_->last_error() = refused->second;
    } else if (!Stale() && !spooler_->Fails(Step::kStartDocument)) {
      job_id_ = spooler_->next_job_id++;
      JobRecord job;
      job.id = job_id_;
      job.document_name = document_name;
      job.status = kestro::kJobStatusSpooling;
      spooler_->queue.push_back(job);
      return job_id_;
    }
    *error_code = spooler_->LastErrorCode();
    return 0;
  }

  bool StartPage() override {
    auto lock = spooler_->Lock();
    spooler_->Record("StartPagePrinter");
    return !Stale() && !spooler_->Fails(Step::kStartPage);
  }

  bool Write(const std::vector<uint8_t>& bytes, uint32_t* written) override {
    auto lock = spooler_->Lock();
    spooler_->Record("WritePrinter");
    if (Stale() || spooler_->Fails(Step::kWrite)) {
      *written = 0;
      return false;
    }
    uint32_t count = spooler_->written_report_.value_or(static_cast<uint32_t>(bytes.size()));
    if (!spooler_->write_reports.empty()) {
      count = spooler_->write_reports.front();
      spooler_->write_reports.erase(spooler_->write_reports.begin());
    }
    spooler_->written_bytes_.insert(spooler_->written_bytes_.end(), bytes.begin(),
                                    bytes.begin() + std::min<size_t>(count, bytes.size()));
    *written = count;
    return true;
  }

  void EndPage() override {
    auto lock = spooler_->Lock();
    spooler_->Record("EndPagePrinter");
  }

  void EndDocument() override {
    auto lock = spooler_->Lock();
    spooler_->Record("EndDocPrinter");
    auto job = spooler_->QueuedJob(job_id_);
    if (job != spooler_->queue.end()) job->status &= ~kestro::kJobStatusSpooling;
  }

  void AbortDocument() override {
    auto lock = spooler_->Lock();
    spooler_->Record("AbortPrinter");
    if ((spooler_->PrinterAttributes(name_) & kestro::kPrinterAttributeDirect) != 0) return;
    auto job = spooler_->QueuedJob(job_id_);
    if (job != spooler_->queue.end()) spooler_->queue.erase(job);
  }

  bool ReadJob(uint32_t job_id, JobRecord* job) override {
    auto lock = spooler_->Lock();
    spooler_->Record("GetJobW(" + std::to_string(job_id) + ")");
    if (spooler_->before_read_job) spooler_->before_read_job(job_id);
    spooler_->PlayLives();
    if (Stale() || spooler_->Fails(Step::kReadJob)) return false;
    const std::vector<JobRecord>& jobs = Readable();
    auto queued = std::find_if(jobs.begin(), jobs.end(),
                               [job_id](const JobRecord& record) { return record.id == job_id; });
    if (queued == jobs.end()) {
      spooler_->last_error() = kInvalidParameterError;
      return false;
    }
    *job = *queued;
    return true;
  }

  bool DeleteJob(uint32_t job_id) override {
    auto lock = spooler_->Lock();
    spooler_->Record("SetJobW(" + std::to_string(job_id) + ")");
    spooler_->PlayLives();
    if (Stale() || spooler_->Fails(Step::kDeleteJob)) return false;
    auto queued = spooler_->QueuedJob(job_id);
    if (queued == spooler_->queue.end()) {
      spooler_->last_error() = kInvalidParameterError;
      return false;
    }
    if ((queued->status & kestro::kJobStatusPrinting) != 0) {
      queued->status |= kestro::kJobStatusDeleting;
      if (!spooler_->MarkedDeleting(job_id)) spooler_->marked_deleting_.push_back(job_id);
      return true;
    }
    spooler_->queue.erase(queued);
    spooler_->job_lives.erase(job_id);
    return true;
  }

  bool ReadJobs(std::vector<JobRecord>* jobs) override {
    auto lock = spooler_->Lock();
    spooler_->Record("EnumJobsW");
    spooler_->PlayLives();
    if (Stale() || spooler_->Fails(Step::kReadJobs)) return false;
    *jobs = Readable();
    return true;
  }

 private:
  // Whether the spooler service restarted since this handle opened; if so,
  // sets the last-error code as every call on it fails.
  bool Stale() {
    if (spooler_->ServiceGeneration() == generation_) return false;
    spooler_->last_error() = kInvalidHandleError;
    return true;
  }

  // The jobs this handle reads: the server's cache or the queue itself.
  const std::vector<JobRecord>& Readable() const {
    if (cached_ && spooler_->server_cache) return *spooler_->server_cache;
    return spooler_->queue;
  }

  FakePrintSpooler* spooler_;
  std::u16string name_;
  bool cached_;
  int generation_;
  uint32_t job_id_ = 0;  // the document this handle started, if any
};

// static
std::string FakePrintSpooler::EnumCall(PrinterInfoLevel level, uint32_t buffer_bytes) {
  return "EnumPrintersW(" + std::to_string(static_cast<uint32_t>(level)) + ", " +
         std::to_string(buffer_bytes) + ")";
}

void FakePrintSpooler::FailAt(Step step, uint32_t error_code) { FailFrom(step, 1, error_code, 0); }

void FakePrintSpooler::FailFrom(Step step, int nth, uint32_t error_code, int count) {
  failures_[step] = {error_code, nth, count};
}

void FakePrintSpooler::SetLastError(uint32_t code) {
  auto lock = Lock();
  last_error() = code;
}

void FakePrintSpooler::Record(std::string call) {
  if (calls_.size() >= kMostCalls) {
    // Said on both streams: a test may be capturing either.
    for (FILE* stream : {stdout, stderr}) {
      std::fprintf(stream,
                   "FakePrintSpooler: more than %zu calls, the last \"%s\": a loop that "
                   "never ends?\n",
                   kMostCalls, call.c_str());
      std::fflush(stream);
    }
    std::abort();
  }
  if (call_suffix) call += call_suffix();
  calls_.push_back(call);
  if (after_call) after_call(calls_.back());
}

std::vector<std::string> FakePrintSpooler::JobCalls() const {
  std::vector<std::string> job_calls;
  std::copy_if(calls_.begin(), calls_.end(), std::back_inserter(job_calls),
               [](const std::string& call) {
                 // The name, without the arguments or the suffix that follow it.
                 const auto name_end = std::find_if(call.begin(), call.end(), [](char c) {
                   return !std::isalnum(static_cast<unsigned char>(c));
                 });
                 const std::string function(call.begin(), name_end);
                 return std::find(std::begin(kJobCalls), std::end(kJobCalls), function) !=
                        std::end(kJobCalls);
               });
  return job_calls;
}

int FakePrintSpooler::CountOf(const std::string& call) const {
  return static_cast<int>(std::count(calls_.begin(), calls_.end(), call));
}

uint32_t FakePrintSpooler::RecordBytes(PrinterInfoLevel level) const {
  uint32_t bytes = 0;
  for (const PrinterRecord& record : printers) {
    bytes += TextBytes(record.name);
    if (level == PrinterInfoLevel::kNames) {
      bytes += kNamesRecordBytes;
    } else {
      bytes += kDetailsRecordBytes + TextBytes(record.driver_name) + TextBytes(record.port_name);
    }
  }
  return bytes;
}

uint32_t FakePrintSpooler::PrinterRecordBytesNeeded(PrinterInfoLevel level) {
  auto lock = Lock();
  Record(EnumCall(level, 0));
  const uint32_t needed = RecordBytes(level);
  if (needed != 0) last_error() = kInsufficientBufferError;
  if (after_enum_sizing) after_enum_sizing(++enum_sizing_calls_);
  return needed;
}

bool FakePrintSpooler::ReadPrinterRecords(PrinterInfoLevel level, uint32_t buffer_bytes,
                                          std::vector<PrinterRecord>* records) {
  auto lock = Lock();
  Record(EnumCall(level, buffer_bytes));
  if (Fails(Step::kReadPrinterRecords)) return false;
  if (buffer_bytes < RecordBytes(level)) {
    last_error() = kInsufficientBufferError;
    return false;
  }
  records->clear();
  for (const PrinterRecord& record : printers) {
    if (level == PrinterInfoLevel::kNames) {
      records->push_back({record.name, std::nullopt, std::nullopt});
    } else {
      records->push_back(record);
    }
  }
  return true;
}

uint32_t FakePrintSpooler::DefaultPrinterUnitsNeeded() {
  auto lock = Lock();
  Record("GetDefaultPrinterW(0)");
  const uint32_t needed =
      default_printer.empty() ? 0 : static_cast<uint32_t>(default_printer.size() + 1);
  if (needed != 0) last_error() = kInsufficientBufferError;
  if (after_default_sizing) after_default_sizing(++default_sizing_calls_);
  return needed;
}

bool FakePrintSpooler::ReadDefaultPrinterName(uint32_t buffer_units, std::u16string* name) {
  auto lock = Lock();
  Record("GetDefaultPrinterW(" + std::to_string(buffer_units) + ")");
  if (Fails(Step::kReadDefaultPrinterName)) return false;
  if (default_printer.empty() || buffer_units < default_printer.size() + 1) {
    last_error() = kInsufficientBufferError;
    return false;
  }
  *name = default_printer;
  return true;
}

std::unique_ptr<OpenedPrinter> FakePrintSpooler::OpenNamedPrinter(const std::u16string& name) {
  return Open(name, false, "OpenPrinterW", Step::kOpenPrinter);
}

std::unique_ptr<OpenedPrinter> FakePrintSpooler::OpenUncachedPrinter(const std::u16string& name) {
  return Open(name, true, "OpenPrinter2W(NO_CACHE)", Step::kOpenUncached);
}

std::unique_ptr<OpenedPrinter> FakePrintSpooler::Open(const std::u16string& name, bool uncached,
                                                      const char* call, Step step) {
  auto lock = Lock();
  Record(call);
  opened_names_.push_back(name);
  if (Fails(step)) return nullptr;
  if (!Openable(name)) {
    last_error() = kInvalidPrinterNameError;
    return nullptr;
  }
  return std::make_unique<FakeOpenedPrinter>(this, name, uncached);
}

uint32_t FakePrintSpooler::LastErrorCode() {
  auto lock = Lock();
  Record("GetLastError");
  return last_error();
}

bool FakePrintSpooler::Fails(Step step) {
  const int call = ++step_calls_[step];
  auto failure = failures_.find(step);
  if (failure == failures_.end() || call < failure->second.from_call) return false;
  const int count = failure->second.count;
  if (count != 0 && call >= failure->second.from_call + count) return false;
  last_error() = failure->second.error_code;
  return true;
}

int FakePrintSpooler::ServiceGeneration() const {
  return service_restart_ms && Now() >= *service_restart_ms ? 1 : 0;
}

void FakePrintSpooler::PlayLives() {
  const int64_t now = Now();
  for (auto life = job_lives.begin(); life != job_lives.end();) {
    const JobPhase* current = nullptr;
    for (const JobPhase& phase : life->second) {
      if (phase.from_ms <= now) current = &phase;
    }
    auto job = QueuedJob(life->first);
    if (current == nullptr || job == queue.end()) {
      ++life;
      continue;
    }
    if (current->status == kJobGone) {
      queue.erase(job);
      life = job_lives.erase(life);
      continue;
    }
    job->status = current->status;
    if (MarkedDeleting(job->id)) job->status |= kestro::kJobStatusDeleting;
    job->status_text = current->status_text;
    if (!current->document_name.empty()) job->document_name = current->document_name;
    ++life;
  }
}

bool FakePrintSpooler::MarkedDeleting(uint32_t job_id) const {
  return std::find(marked_deleting_.begin(), marked_deleting_.end(), job_id) !=
         marked_deleting_.end();
}

uint32_t FakePrintSpooler::PrinterAttributes(const std::u16string& name) const {
  auto record = std::find_if(printers.begin(), printers.end(),
                             [&](const PrinterRecord& printer) { return printer.name == name; });
  return record == printers.end() ? 0 : record->attributes;
}

bool FakePrintSpooler::Openable(const std::u16string& name) const {
  if (openable_names) {
    return std::find(openable_names->begin(), openable_names->end(), name) != openable_names->end();
  }
  return std::any_of(printers.begin(), printers.end(),
                     [&](const PrinterRecord& record) { return record.name == name; });
}

std::vector<JobRecord>::iterator FakePrintSpooler::QueuedJob(uint32_t job_id) {
  return std::find_if(queue.begin(), queue.end(),
                      [job_id](const JobRecord& job) { return job.id == job_id; });
}

JobRecord MakeJob(uint32_t id, const std::u16string& document_name, uint32_t status,
                  int64_t submitted_unix_ms) {
  JobRecord job;
  job.id = id;
  job.document_name = document_name;
  job.status = status;
  job.submitted_unix_ms = submitted_unix_ms;
  return job;
}

}  // namespace kestro_testing
