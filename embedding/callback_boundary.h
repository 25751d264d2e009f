// The edge of our code for calls that come from outside it: the functions the
// engine library calls back, and the window procedure. No exception unwinds
// past it into the caller's frames.

#ifndef KESTRO_EMBEDDING_CALLBACK_BOUNDARY_H_
#define KESTRO_EMBEDDING_CALLBACK_BOUNDARY_H_

#include <exception>

namespace flutter {

// Returns what `body` returns. When `body` throws, the process ends with
// std::terminate, which names the exception on the standard error stream.
//
// Every function that outside code calls is noexcept and does its work
// through this. noexcept alone does not hold with GCC on 64-bit Windows: when
// the throwing call is the last one before the function's epilogue, the
// system's unwinder takes the return address for the epilogue, skips the
// function's handler and unwinds on into the caller. An explicit handler
// makes the compiler keep such calls apart from the epilogue.
template <typename Body>
auto RunAtCallbackBoundary(Body&& body) noexcept -> decltype(body()) {
  try {
    return body();
  } catch (...) {
    std::terminate();
  }
}

}  // namespace flutter

#endif  // KESTRO_EMBEDDING_CALLBACK_BOUNDARY_H_
