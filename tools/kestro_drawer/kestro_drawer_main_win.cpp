// Entry point of kestro-drawer.exe; see drawer_tool.h. Arguments arrive in
// UTF-16 and are handed on in UTF-8. Output is UTF-8, written line by line:
// to a console as UTF-16 text (WriteConsoleW), which shows every character
// whatever the console's code page, and to a file or pipe as UTF-8 bytes.

#include <windows.h>

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
  kestro::SystemKickClock clock;
  kestro::TillServices till;
  const kestro::DrawerStateBackend drawer_state = kestro::MakeSystemDrawerStateBackend();
  const kestro::DrawerToolContext context{spooler,      kestro::UnixNowMs(), clock,
                                          till.audit(), till.settings(),     till.record_folder(),
                                          &drawer_state};
  return kestro::RunDrawerTool(args, context, out, err);
}
