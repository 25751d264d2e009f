#include "cash_drawer/device_file_win.h"

#include "cash_drawer/call_failure.h"
#include "cash_drawer/text_conversion.h"
#include "text/wide_chars.h"

namespace kestro {

ScopedFileHandle OpenDeviceFile(const std::u16string& path, DWORD flags, LinkOpenResult* failure) {
  ScopedFileHandle device(::CreateFileW(text::AsWideChars(path), GENERIC_READ | GENERIC_WRITE, 0,
                                        nullptr, OPEN_EXISTING, flags, nullptr));
  if (!device.valid()) {
    const DWORD error = ::GetLastError();
    const bool held = error == ERROR_SHARING_VIOLATION || error == ERROR_ACCESS_DENIED;
    failure->status = held ? LinkOpenStatus::kBusy : LinkOpenStatus::kFailed;
    failure->reason = CallFailure("CreateFileW on " + ToUtf8String(path), error);
  }
  return device;
}

}  // namespace kestro
