#include "cash_drawer/testing/fake_drawer_link.h"

#include <algorithm>
#include <utility>

#include "text/hex.h"

namespace kestro_testing {

using kestro::DrawerLink;
using kestro::LinkOpenResult;
using kestro::LinkOpenStatus;

class FakeLinkOpener::Link : public DrawerLink {
 public:
  Link(FakeLinkOpener* opener, std::string channel, FakeDevice* device)
      : opener_(opener), channel_(std::move(channel)), device_(device) {
    pending_ = device_->pending;
  }

  ~Link() override { opener_->Closed(channel_); }

  bool Send(const std::vector<uint8_t>& bytes, int64_t timeout_ms, std::string* reason) override {
    std::unique_lock<std::mutex> lock(opener_->mutex_);
    opener_->Note("send " + channel_ + " " + kestro::text::ToHex(bytes) + " (" +
                  std::to_string(timeout_ms) + " ms)");
    if (!device_->send_failure.empty()) {
      *reason = device_->send_failure;
      return false;
    }
    const int64_t sent_ms = opener_->clock_->NowMs();
    if (device_->reply) {
      for (DevicePiece& piece : device_->reply(sent_ms)) {
        pieces_.push_back({sent_ms + piece.delay_ms, std::move(piece.bytes)});
      }
    }
    return true;
  }

  ReceiveStatus Receive(int64_t timeout_ms, std::vector<uint8_t>* bytes,
                        std::string* reason) override {
    std::unique_lock<std::mutex> lock(opener_->mutex_);
    opener_->WaitWhileHeld(lock);
    const std::string entry = "receive " + channel_ + " (" + std::to_string(timeout_ms) + " ms)";
    ManualDrawerClock& clock = *opener_->clock_;
    if (!pending_.empty()) {
      bytes->insert(bytes->end(), pending_.begin(), pending_.end());
      opener_->Note(entry + ": " + kestro::text::ToHex(pending_));
      pending_.clear();
      return ReceiveStatus::kData;
    }
    if (next_ < pieces_.size() && pieces_[next_].at_ms <= clock.NowMs() + timeout_ms) {
      clock.SetNow(pieces_[next_].at_ms);
      const std::vector<uint8_t>& piece = pieces_[next_++].bytes;
      bytes->insert(bytes->end(), piece.begin(), piece.end());
      opener_->Note(entry + ": " + kestro::text::ToHex(piece));
      return ReceiveStatus::kData;
    }
    if (next_ == pieces_.size() && !device_->broken_after_reply.empty()) {
      *reason = device_->broken_after_reply;
      opener_->Note(entry + ": broken");
      return ReceiveStatus::kBroken;
    }
    clock.Advance(timeout_ms);
    opener_->Note(entry + ": timed out");
    return ReceiveStatus::kTimedOut;
  }

  void DiscardPending() override {
    std::lock_guard<std::mutex> lock(opener_->mutex_);
    opener_->Note("discard " + channel_);
    pending_.clear();
  }

 private:
  struct TimedPiece {
    int64_t at_ms;
    std::vector<uint8_t> bytes;
  };

  FakeLinkOpener* opener_;
  std::string channel_;
  FakeDevice* device_;  // guarded by the opener's mutex
  std::vector<uint8_t> pending_;
  std::vector<TimedPiece> pieces_;
  size_t next_ = 0;
};

void FakeLinkOpener::Add(const std::string& channel, FakeDevice device) {
  std::lock_guard<std::mutex> lock(mutex_);
  devices_[channel] = std::move(device);
}

LinkOpenResult FakeLinkOpener::Open(const kestro::DrawerChannel& channel, int64_t timeout_ms) {
  const std::string name = kestro::FormatDrawerChannel(channel);
  std::lock_guard<std::mutex> lock(mutex_);
  const std::string entry = "open " + name + " (" + std::to_string(timeout_ms) + " ms): ";
  auto device = devices_.find(name);
  if (device == devices_.end()) {
    Note(entry + "failed");
    return {LinkOpenStatus::kFailed, nullptr, "no such device"};
  }
  const size_t attempt = opens_made_[name]++;
  const std::vector<LinkOpenStatus>& opens = device->second.opens;
  const LinkOpenStatus status = attempt < opens.size() ? opens[attempt] : LinkOpenStatus::kOpened;
  if (status != LinkOpenStatus::kOpened) {
    Note(entry + (status == LinkOpenStatus::kBusy ? "busy" : "failed"));
    return {status, nullptr, device->second.open_reason};
  }
  Note(entry + "opened");
  ++open_total_;
  most_open_ = std::max(most_open_, open_total_);
  most_open_of_one_ = std::max(most_open_of_one_, ++open_now_[name]);
  return {LinkOpenStatus::kOpened, std::make_unique<Link>(this, name, &device->second), ""};
}

std::vector<std::string> FakeLinkOpener::log() {
  std::lock_guard<std::mutex> lock(mutex_);
  return log_;
}

int FakeLinkOpener::most_open() {
  std::lock_guard<std::mutex> lock(mutex_);
  return most_open_;
}

int FakeLinkOpener::most_open_of_one_channel() {
  std::lock_guard<std::mutex> lock(mutex_);
  return most_open_of_one_;
}

void FakeLinkOpener::Hold() {
  std::lock_guard<std::mutex> lock(mutex_);
  holding_ = true;
}

void FakeLinkOpener::Release() {
  std::lock_guard<std::mutex> lock(mutex_);
  holding_ = false;
  changed_.notify_all();
}

void FakeLinkOpener::AwaitHeld(int count) {
  std::unique_lock<std::mutex> lock(mutex_);
  changed_.wait(lock, [&] { return held_ >= count; });
}

void FakeLinkOpener::Note(const std::string& entry) {
  log_.push_back(entry + "@" + std::to_string(clock_->NowMs()));
}

void FakeLinkOpener::Closed(const std::string& channel) {
  std::lock_guard<std::mutex> lock(mutex_);
  Note("close " + channel);
  --open_total_;
  --open_now_[channel];
}

void FakeLinkOpener::WaitWhileHeld(std::unique_lock<std::mutex>& lock) {
  if (!holding_) return;
  ++held_;
  changed_.notify_all();
  changed_.wait(lock, [&] { return !holding_; });
  --held_;
}

FakeDevice AnsweringDevice(std::vector<uint8_t> bytes, int64_t delay_ms) {
  FakeDevice device;
  device.reply = [bytes = std::move(bytes), delay_ms](int64_t) {
    return std::vector<DevicePiece>{{delay_ms, bytes}};
  };
  return device;
}

}  // namespace kestro_testing
