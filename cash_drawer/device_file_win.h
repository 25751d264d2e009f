// Opening a drawer's device (a serial port, the USB printer-class device) the
// way every link opens it: for reading and writing, shared with no one, so
// that a link and the spooler never write to it at once. A device someone
// else holds answers with a sharing violation or a refused access.

#ifndef KESTRO_CASH_DRAWER_DEVICE_FILE_WIN_H_
#define KESTRO_CASH_DRAWER_DEVICE_FILE_WIN_H_

#include <windows.h>

#include <string>

#include "cash_drawer/drawer_link.h"
#include "cash_drawer/scoped_win_handle_win.h"

namespace kestro {

// CreateFileW(`path`) with `flags` (FILE_FLAG_OVERLAPPED, or 0). When it
// fails, the handle is not valid and `*failure` holds kBusy (a sharing
// violation or a refused access) or kFailed, with the call and its code.
ScopedFileHandle OpenDeviceFile(const std::u16string& path, DWORD flags, LinkOpenResult* failure);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DEVICE_FILE_WIN_H_
