// The stand-in app's transcript: one JSON object a line, flushed as it is
// written, so a reader sees every line that was written before a crash.
//
//   {"event": "started", "ms": T, ...}   at the first frame (see StartFacts)
//   {"request": LINE, "sentMs": T, "handledMs": T, "answeredMs": T,
//    "replyHex": HEX, "reply": DESCRIPTION}   per request: sent to the host,
//    the host's handler returned (this engine delivers a message by calling
//    the handler), the app had the answer
//   {"event": "closing", "ms": T, ...}   when the view controller is destroyed
//
// Every T is milliseconds since the process started, on a clock that never
// goes back, to the microsecond.

#ifndef KESTRO_STANDINS_APP_TRANSCRIPT_H_
#define KESTRO_STANDINS_APP_TRANSCRIPT_H_

#include <fstream>
#include <string>
#include <vector>

#include "standins/app/demo_model.h"
#include "standins/app/wire.h"

namespace kestro::standin {

// One plugin registration as the engine saw it.
struct PluginRecord {
  std::string name;
  bool registrar = false;  // a non-null registrar was passed
  // The plugin name the registrar was handed out for; empty when the
  // registrar was null or not one of this engine's.
  std::string registrar_for;
};

// What the engine observed at its first frame.
struct StartFacts {
  double first_frame_ms = 0;  // once the first frame was rendered and shown
  std::string window_title;
  bool window_visible = false;               // after the next-frame callback
  bool window_visible_before_frame = false;  // just before it
  bool window_shown_before_frame = false;    // a show reached the window earlier
  int view_width = 0;                        // as the view controller was created
  int view_height = 0;
  int client_width = 0;  // the top-level window's client area
  int client_height = 0;
  Rect window_rect;
  int view_window_width = 0;  // the view window as the host placed it
  int view_window_height = 0;
  unsigned dpi = 0;
  std::vector<std::string> entrypoint_args;
  std::string assets_path;
  std::string icu_data_path;
  std::string aot_library_path;
  bool assets_found = false;  // resolved against the executable's folder
  bool icu_data_found = false;
  bool aot_library_found = false;
  std::vector<PluginRecord> plugins;
};

// `milliseconds` as the transcript writes a time stamp: rounded to the
// microsecond.
Json TimeStamp(double milliseconds);

// The "started" line for `facts`.
Json StartedLine(const StartFacts& facts);

class Transcript {
 public:
  // Writes nowhere.
  Transcript() = default;
  // Creates or empties the file at `path`; writes nowhere when that fails.
  explicit Transcript(const std::string& path);

  bool is_open() const { return file_.is_open(); }
  void Write(const Json& line);

 private:
  std::ofstream file_;
};

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_APP_TRANSCRIPT_H_
