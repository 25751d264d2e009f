// The entry-point arguments that the stand-in engine reads as the Dart app's
// own command line:
//
//   --script FILE      JSON Lines of requests to send, one after another,
//                      from the first frame on; the window is closed after
//                      the last answer. Without it the app is interactive.
//   --transcript FILE  JSON Lines: what the app saw (start, each request
//                      with its answer, closing).
//   --fail-view        the view controller cannot be created.
//   --hold-ms N        keeps the window up N milliseconds after the last
//                      answer before closing it (for screenshots).
//   --reply-timeout-ms N
//                      gives up waiting for an answer after N milliseconds
//                      (default 20000), notes it and goes on.
//
// Every other argument is the app's business and is only recorded.

#ifndef KESTRO_STANDINS_APP_APP_OPTIONS_H_
#define KESTRO_STANDINS_APP_APP_OPTIONS_H_

#include <string>
#include <vector>

namespace kestro::standin {

struct AppOptions {
  std::string script_path;      // empty: interactive
  std::string transcript_path;  // empty: no transcript
  bool fail_view = false;
  int hold_ms = 0;
  int reply_timeout_ms = 20000;
  // Lines for standard error about arguments that were not understood.
  std::vector<std::string> warnings;
};

// Reads the options from the entry-point arguments, in order. A later
// occurrence of an option wins. An option that lacks its value, or whose
// number is not a non-negative decimal integer, is left at its default and
// noted in `warnings`.
AppOptions ParseAppOptions(const std::vector<std::string>& arguments);

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_APP_APP_OPTIONS_H_
