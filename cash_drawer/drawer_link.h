// An open direct channel to a receipt printer (drawer_channel.h), over which
// the drawer's state is asked, behind an interface so that the reading and
// the waiting run and are tested without Windows. The spooler opens a serial
// or USB port only while it prints, and a printer's TCP port usually takes one
// connection at a time, so a reader opens a link, asks, reads with a bound and
// closes it at once.

#ifndef KESTRO_CASH_DRAWER_DRAWER_LINK_H_
#define KESTRO_CASH_DRAWER_DRAWER_LINK_H_

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cash_drawer/drawer_channel.h"

namespace kestro {

// One open channel. Destroying it closes the channel.
class DrawerLink {
 public:
  virtual ~DrawerLink() = default;

  // Sends all of `bytes`, blocking at most `timeout_ms`. False when not all of
  // them were sent; `*reason` then says why (the call and its code).
  virtual bool Send(const std::vector<uint8_t>& bytes, int64_t timeout_ms, std::string* reason) = 0;

  enum class ReceiveStatus {
    kData,      // at least one byte arrived and was appended
    kTimedOut,  // nothing arrived within the time
    kBroken,    // the channel failed or the peer closed it; `*reason` says how
  };
  // Waits at most `timeout_ms` for bytes and appends what has arrived to
  // `*bytes`, returning as soon as there is at least one. Never blocks longer.
  virtual ReceiveStatus Receive(int64_t timeout_ms, std::vector<uint8_t>* bytes,
                                std::string* reason) = 0;

  // Drops whatever arrived before now and has not been received, so that an
  // old status frame is never taken for the answer to a new request.
  virtual void DiscardPending() = 0;
};

// How an attempt to open a channel ended.
enum class LinkOpenStatus {
  kOpened,
  // Someone else holds it (a sharing or access error, a connection refused or
  // reset): worth trying again until the read's time is up.
  kBusy,
  // It will not open (no such port or device, a host that cannot be found).
  kFailed,
};

struct LinkOpenResult {
  LinkOpenStatus status = LinkOpenStatus::kFailed;
  std::unique_ptr<DrawerLink> link;  // set for kOpened only
  // For kBusy and kFailed: why, naming the failing call and its code.
  std::string reason;
};

class DrawerLinkOpener {
 public:
  virtual ~DrawerLinkOpener() = default;

  // Opens `channel` (kSerial, kTcp or kUsb; other kinds fail), blocking at
  // most `timeout_ms`. Serial ports keep the speed, parity and flow control
  // Windows has for them; opening never changes them.
  virtual LinkOpenResult Open(const DrawerChannel& channel, int64_t timeout_ms) = 0;
};

}  // namespace kestro

#endif  // KESTRO_CASH_DRAWER_DRAWER_LINK_H_
