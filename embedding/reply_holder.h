// Enforces the once-only answer of a method call and reports both a second
// answer and a missing one.

#ifndef KESTRO_EMBEDDING_REPLY_HOLDER_H_
#define KESTRO_EMBEDDING_REPLY_HOLDER_H_

#include <cstdint>
#include <vector>

#include "embedding/binary_messenger.h"

namespace flutter {

// Holds the reply callback of one incoming call until it has been used once.
// Not thread-safe: one owner at a time uses it.
class ReplyHolder {
 public:
  explicit ReplyHolder(ReplyCallback reply);
  // An unused reply is reported as a leak, then dropped unanswered.
  ~ReplyHolder();

  ReplyHolder(const ReplyHolder&) = delete;
  ReplyHolder& operator=(const ReplyHolder&) = delete;

  // Passes `reply` (null for an empty answer) to the held callback and then
  // destroys the callback. A second call writes an error line and sends
  // nothing. An empty vector is passed as a null pointer with size 0.
  void SendOnce(const std::vector<uint8_t>* reply);

 private:
  ReplyCallback reply_;
};

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_REPLY_HOLDER_H_
