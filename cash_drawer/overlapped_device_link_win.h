// The drawer link over a device opened by its path with overlapped I/O: the
// USB printer-class device, whose reads and writes have no timeouts of their
// own, so that each waits on its event for the time given and is cancelled
// when that is up. Any path that takes overlapped I/O serves (a named pipe
// stands in for the device in tests).

#ifndef KESTRO_CASH_DRAWER_OVERLAPPED_DEVICE_LINK_WIN_H_
#define KESTRO_CASH_DRAWER_OVERLAPPED_DEVICE_LINK_WIN_H_

#include <cstdint>
#include <string>

#include "cash_drawer/drawer_link.h"

namespace kestro {

// Each read takes at most this many bytes.
inline constexpr uint32_t kDeviceReadBytes = 512;

// How long DiscardPending waits for each read of what the device holds, and
// how many it makes at most: the device keeps its answers until they are
// read, so a stale one is read and dropped, and a device that never stops
// sending loses at most kDiscardReads * kDeviceReadBytes bytes to it.
inline constexpr int64_t kDiscardReadMs = 10;
inline constexpr int kDiscardReads = 8;

// Opens `path` for reading and writing, unshared, with overlapped I/O. A
// sharing violation or a refused access is kBusy: the spooler holds the
// device while it prints.
LinkOpenResult OpenOverlappedDeviceLink(const std::u16string& path);

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_OVERLAPPED_DEVICE_LINK_WIN_H_
