#include "standins/engine/messenger_core.h"

#include <cstdio>
#include <utility>

FlutterDesktopMessenger* FlutterDesktopMessenger::Create() { return new FlutterDesktopMessenger(); }

FlutterDesktopMessenger* FlutterDesktopMessenger::AddRef() {
  references_.fetch_add(1);
  return this;
}

void FlutterDesktopMessenger::Release() {
  if (references_.fetch_sub(1) == 1) delete this;
}

void FlutterDesktopMessenger::SetCallback(const std::string& channel,
                                          FlutterDesktopMessageCallback callback, void* user_data) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (callback == nullptr) {
    callbacks_.erase(channel);
  } else {
    callbacks_[channel] = Callback{callback, user_data};
  }
}

bool FlutterDesktopMessenger::HasCallback(const std::string& channel) const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return callbacks_.count(channel) != 0;
}

bool FlutterDesktopMessenger::Deliver(const std::string& channel, const uint8_t* bytes, size_t size,
                                      uint64_t message_id) {
  Callback callback;
  const FlutterDesktopMessageResponse* handle = nullptr;
  {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    auto found = callbacks_.find(channel);
    if (found == callbacks_.end()) return false;
    callback = found->second;
    auto response = std::make_unique<FlutterDesktopMessageResponse>();
    response->message_id = message_id;
    handle = response.get();
    issued_.insert(handle);
    responses_.push_back(std::move(response));
  }
  FlutterDesktopMessage message{};
  message.leading_fields[1] = channel.c_str();
  message.message = bytes;
  message.message_size = size;
  message.response_handle = handle;
  callback.function(this, &message, callback.user_data);
  return true;
}

void FlutterDesktopMessenger::SendResponse(const FlutterDesktopMessageResponse* handle,
                                           const uint8_t* data, size_t size) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (issued_.count(handle) == 0) {
    ++foreign_responses_;
    std::fprintf(stderr, "stand-in engine: response through an unknown handle ignored\n");
    std::fflush(stderr);
    return;
  }
  auto* response = const_cast<FlutterDesktopMessageResponse*>(handle);
  if (response->used) {
    ++duplicate_responses_;
    std::fprintf(stderr, "stand-in engine: second response through one handle ignored\n");
    std::fflush(stderr);
    return;
  }
  response->used = true;
  if (sink_) {
    std::vector<uint8_t> reply;
    if (data != nullptr) reply.assign(data, data + size);
    sink_(response->message_id, std::move(reply));
  }
}

bool FlutterDesktopMessenger::SendFromHost(const std::string& channel, const uint8_t* bytes,
                                           size_t size, FlutterDesktopBinaryReply reply,
                                           void* reply_data) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  if (!available_ || !outgoing_) return false;
  std::vector<uint8_t> message;
  if (bytes != nullptr) message.assign(bytes, bytes + size);
  return outgoing_(channel, std::move(message), reply, reply_data);
}

FlutterDesktopMessenger* FlutterDesktopMessenger::Lock() {
  mutex_.lock();
  return this;
}

void FlutterDesktopMessenger::Unlock() { mutex_.unlock(); }

bool FlutterDesktopMessenger::IsAvailable() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return available_;
}

void FlutterDesktopMessenger::Attach(ResponseSink responses, OutgoingSink outgoing) {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  sink_ = std::move(responses);
  outgoing_ = std::move(outgoing);
  available_ = true;
}

void FlutterDesktopMessenger::Detach() {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  sink_ = nullptr;
  outgoing_ = nullptr;
  available_ = false;
  callbacks_.clear();
}

int FlutterDesktopMessenger::duplicate_responses() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return duplicate_responses_;
}

int FlutterDesktopMessenger::foreign_responses() const {
  std::lock_guard<std::recursive_mutex> lock(mutex_);
  return foreign_responses_;
}
