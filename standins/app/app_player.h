// The stand-in for the Dart app. The engine starts it with the app's
// entry-point arguments (see AppOptions) and calls it on the UI thread at
// the first frame, for every answer from the host, for clicks in the view
// and at shutdown. With a script it sends the script's requests one at a
// time, each after the previous answer, and closes the window after the
// last; without one it is the interactive demo: it lists the printers at
// start and opens the drawer when its button is clicked.

#ifndef KESTRO_STANDINS_APP_APP_PLAYER_H_
#define KESTRO_STANDINS_APP_APP_PLAYER_H_

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "standins/app/app_options.h"
#include "standins/app/demo_model.h"
#include "standins/app/script.h"
#include "standins/app/transcript.h"

namespace kestro::standin {

// What the app needs from the engine around it.
class AppEnvironment {
 public:
  virtual ~AppEnvironment() = default;
  // Hands `message` to the host's handler of `channel`. The answer must come
  // back later through AppPlayer::OnReply with `id`, never during this call.
  // Returns false when the host has no handler for the channel; the engine
  // then answers with zero bytes itself.
  virtual bool SendToHost(uint64_t id, const std::string& channel,
                          const std::vector<uint8_t>& message) = 0;
  // Calls AppPlayer::OnReplyTimeout(id) after `delay_ms`.
  virtual void ArmReplyTimeout(uint64_t id, int delay_ms) = 0;
  // The model changed: a new frame is due.
  virtual void Redraw() = 0;
  // Closes the top-level window after `delay_ms`.
  virtual void CloseWindow(int delay_ms) = 0;
  // Milliseconds since the process started, on a clock that never goes back:
  // the time stamps of the transcript.
  virtual double MillisecondsSinceStart() = 0;
};

class AppPlayer {
 public:
  // Reads the script and opens the transcript named in `options`, if any.
  // `script_text` is the script file's content; `script_error` is set when
  // the file could not be read. `environment` must outlive the player.
  AppPlayer(const AppOptions& options, const std::string& script_text,
            const std::string& script_error, AppEnvironment* environment);

  AppPlayer(const AppPlayer&) = delete;
  AppPlayer& operator=(const AppPlayer&) = delete;

  // The first frame: writes the "started" line and begins.
  void Start(const StartFacts& facts);
  void OnReply(uint64_t id, const std::vector<uint8_t>& reply);
  void OnReplyTimeout(uint64_t id);
  // The host sent a message of its own (not an answer) on `channel`.
  void OnHostMessage(const std::string& channel, const std::vector<uint8_t>& message);
  // A click at (x, y) in a view of `width` x `height`; interactive only.
  void OnClick(int x, int y, int width, int height);
  // The view controller is going: writes the "closing" line.
  void OnClosing(int duplicate_responses);

  const DemoModel& model() const { return model_; }
  bool scripted() const { return scripted_; }
  bool started() const { return started_; }

 private:
  struct Pending {
    uint64_t id;
    ScriptRequest request;
    bool delivered;
    double sent_ms;     // just before the host was handed the request
    double handled_ms;  // when the host's handler returned
  };

  void SendNextScripted();
  void Send(ScriptRequest request);
  void Finish(const std::vector<uint8_t>* reply);
  void ShowReply(const ScriptRequest& request, const ReplyView& reply);
  void SetStatus(const std::string& status);

  AppOptions options_;
  AppEnvironment* environment_;
  Transcript transcript_;
  bool scripted_;
  Script script_;
  size_t next_request_ = 0;
  std::optional<Pending> pending_;
  uint64_t next_id_ = 1;
  int answered_ = 0;
  int timed_out_ = 0;
  bool started_ = false;
  DemoModel model_;
};

// A request for `method` with `arguments` on the default channel, as the
// interactive demo sends it (its transcript line shows the call).
ScriptRequest MakeMethodRequest(const std::string& method,
                                std::optional<flutter::EncodableValue> arguments);

}  // namespace kestro::standin

#endif  // KESTRO_STANDINS_APP_APP_PLAYER_H_
