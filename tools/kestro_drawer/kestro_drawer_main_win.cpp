// Entry point of kestro-drawer.exe; see drawer_tool.h. Arguments arrive in
// UTF-16 and are handed on in UTF-8. Output is UTF-8, written line by line:
// to a console as UTF-16 text (WriteConsoleW), which shows every character
// whatever the console's code page, and to a file or pipe as UTF-8 bytes.
// During `open`, Ctrl+C or closing the console cuts the kick's watch short
// rather than ending the program, so that the kick is withdrawn first.

#include <windows.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <mutex>
#include <ostream>
#include <streambuf>
#include <string>
#include <vector>

#include "cash_drawer/kick_clock.h"
#include "cash_drawer/system_drawer_state_backend_win.h"
#include "cash_drawer/system_print_spooler_win.h"
#include "cash_drawer/till_services_win.h"
#include "text/utf16.h"
#include "text/wide_chars.h"
#include "tools/kestro_drawer/drawer_tool.h"

namespace {

// A stream buffer that passes each finished line to a standard handle.
class LineWriter : public std::streambuf {
 public:
  explicit LineWriter(DWORD standard_handle) : handle_(::GetStdHandle(standard_handle)) {}
  ~LineWriter() override { Flush(); }
  LineWriter(const LineWriter&) = delete;
  LineWriter& operator=(const LineWriter&) = delete;

 protected:
  int_type overflow(int_type c) override {
    if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
    line_ += traits_type::to_char_type(c);
    if (c == '\n') Flush();
    return c;
  }

  int sync() override {
    Flush();
    return 0;
  }

 private:
  void Flush() {
    if (line_.empty() || handle_ == nullptr || handle_ == INVALID_HANDLE_VALUE) return;
    DWORD mode = 0;
    DWORD written = 0;
    if (::GetConsoleMode(handle_, &mode)) {
      const std::u16string wide = kestro::text::Utf8ToUtf16(line_);
      ::WriteConsoleW(handle_, kestro::text::AsWideChars(wide), static_cast<DWORD>(wide.size()),
                      &written, nullptr);
    } else {
      ::WriteFile(handle_, line_.data(), static_cast<DWORD>(line_.size()), &written, nullptr);
    }
    line_.clear();
  }

  HANDLE handle_;
  std::string line_;
};

// The watch's clock, and what a console control event does to the watch.
// Windows runs the handler on a thread of its own, which may still run while
// the main thread ends, so the one instance is never destroyed.
class ConsoleCut {
 public:
  static ConsoleCut& Instance() {
    static ConsoleCut* const instance = new ConsoleCut();
    return *instance;
  }

  kestro::KickClock& clock() { return clock_; }
  const std::atomic<bool>* cut_short() const { return &cut_short_; }

  // The tool has ended and said so.
  void Finish() {
    {
      std::lock_guard<std::mutex> lock(mutex_);
      finished_ = true;
    }
    finished_changed_.notify_all();
  }

  static BOOL WINAPI OnControl(DWORD event) {
    ConsoleCut& cut = Instance();
    const bool cut_before = cut.cut_short_.exchange(true);
    cut.clock_.Wake();
    if (event == CTRL_C_EVENT || event == CTRL_BREAK_EVENT) {
      // The program goes on to withdraw the kick, report and end. A second
      // Ctrl+C ends it at once, should a spooler call hang.
      return cut_before ? FALSE : TRUE;
    }
    // After the console closing, logoff or shutdown, Windows ends the process
    // as soon as this returns: wait for the withdrawal and the report, within
    // the few seconds Windows allows.
    std::unique_lock<std::mutex> lock(cut.mutex_);
    cut.finished_changed_.wait_for(lock, kLongestWait, [&cut] { return cut.finished_; });
    return TRUE;
  }

 private:
  static constexpr std::chrono::milliseconds kLongestWait{2000};

  ConsoleCut() = default;

  kestro::SystemKickClock clock_;
  std::atomic<bool> cut_short_{false};
  std::mutex mutex_;
  std::condition_variable finished_changed_;
  bool finished_ = false;  // guarded by mutex_
};

}  // namespace

int wmain(int argc, wchar_t** argv) {
  std::vector<std::string> args;
  for (int i = 1; i < argc; ++i) {
    args.push_back(kestro::text::Utf16ToUtf8(kestro::text::CopyWideChars(argv[i])));
  }
  LineWriter out_buffer(STD_OUTPUT_HANDLE);
  LineWriter err_buffer(STD_ERROR_HANDLE);
  std::ostream out(&out_buffer);
  std::ostream err(&err_buffer);
  kestro::SystemPrintSpooler spooler;
  ConsoleCut& cut = ConsoleCut::Instance();
  // Only `open` leaves something behind when ended early; the other commands
  // keep the console's default: Ctrl+C ends them at once.
  if (kestro::SendsAKick(args)) ::SetConsoleCtrlHandler(&ConsoleCut::OnControl, TRUE);
  kestro::TillServices till;
  const kestro::DrawerStateBackend drawer_state = kestro::MakeSystemDrawerStateBackend();
  const kestro::DrawerToolContext context{spooler,       kestro::UnixNowMs(), cut.clock(),
                                          till.audit(),  till.settings(),     till.record_folder(),
                                          &drawer_state, cut.cut_short()};
  const int exit_code = kestro::RunDrawerTool(args, context, out, err);
  out.flush();
  cut.Finish();
  return exit_code;
}
