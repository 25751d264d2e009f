// Sole ownership of one Windows handle of any kind, closed when the owner is
// destroyed or given another. What a kind's handle looks like when there is
// none, and how it is closed, is a small traits type:
//
//   struct SocketTraits {
//     using Handle = SOCKET;
//     static Handle Invalid() { return INVALID_SOCKET; }
//     static void Close(Handle socket) { ::closesocket(socket); }
//   };
//   using ScopedSocket = ScopedWinHandle<SocketTraits>;
//
// Closing keeps the last-error code, so that a failure can still be read
// after the handles of its step are gone.

#ifndef KESTRO_CASH_DRAWER_SCOPED_WIN_HANDLE_WIN_H_
#define KESTRO_CASH_DRAWER_SCOPED_WIN_HANDLE_WIN_H_

#include <windows.h>

#include <utility>

namespace kestro {

template <typename Traits>
class ScopedWinHandle {
 public:
  using Handle = typename Traits::Handle;

  ScopedWinHandle() = default;
  explicit ScopedWinHandle(Handle handle) : handle_(handle) {}
  ~ScopedWinHandle() { Close(); }

  ScopedWinHandle(ScopedWinHandle&& other) noexcept : handle_(other.release()) {}
  ScopedWinHandle& operator=(ScopedWinHandle&& other) noexcept {
    if (this != &other) reset(other.release());
    return *this;
  }
  ScopedWinHandle(const ScopedWinHandle&) = delete;
  ScopedWinHandle& operator=(const ScopedWinHandle&) = delete;

  Handle get() const { return handle_; }
  bool valid() const { return handle_ != Traits::Invalid(); }

  // Closes the handle held, if any, and holds `handle` instead.
  void reset(Handle handle = Traits::Invalid()) {
    Close();
    handle_ = handle;
  }

  // Gives the handle up without closing it.
  Handle release() { return std::exchange(handle_, Traits::Invalid()); }

 private:
  void Close() {
    if (!valid()) return;
    const DWORD last_error = ::GetLastError();
    Traits::Close(handle_);
    ::SetLastError(last_error);
  }

  Handle handle_ = Traits::Invalid();
};

// A kernel object that CreateFileW opens (INVALID_HANDLE_VALUE for none).
struct FileHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return INVALID_HANDLE_VALUE; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};
using ScopedFileHandle = ScopedWinHandle<FileHandleTraits>;

// A kernel object that CreateEventW and its kin make (null for none).
struct KernelHandleTraits {
  using Handle = HANDLE;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle handle) { ::CloseHandle(handle); }
};
using ScopedKernelHandle = ScopedWinHandle<KernelHandleTraits>;

// An open registry key.
struct RegistryKeyTraits {
  using Handle = HKEY;
  static Handle Invalid() { return nullptr; }
  static void Close(Handle key) { ::RegCloseKey(key); }
};
using ScopedRegistryKey = ScopedWinHandle<RegistryKeyTraits>;

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_SCOPED_WIN_HANDLE_WIN_H_
