#include "embedding/reply_holder.h"

#include <utility>

#include "codec/stderr_line.h"

namespace flutter {
namespace {

constexpr char kDuplicateResult[] =
    "Error: Only one of Success, Error, or NotImplemented can be called, and it can be called "
    "exactly once. Ignoring duplicate result.";
constexpr char kUnansweredReply[] =
    "Warning: Failed to respond to a message. This is a memory leak.";

}  // namespace

ReplyHolder::ReplyHolder(ReplyCallback reply) : reply_(std::move(reply)) {}

ReplyHolder::~ReplyHolder() {
  if (reply_) WriteStderrLine(kUnansweredReply);
}

void ReplyHolder::SendOnce(const std::vector<uint8_t>* reply) {
  if (!reply_) {
    WriteStderrLine(kDuplicateResult);
    return;
  }
  const uint8_t* data = (reply != nullptr && !reply->empty()) ? reply->data() : nullptr;
  size_t size = reply != nullptr ? reply->size() : 0;
  reply_(data, size);
  // Destroying the callable releases what it holds (a sender's messenger
  // reference) now, not when this holder goes.
  reply_ = nullptr;
}

}  // namespace flutter
