#include "standins/app/app_player.h"

#include <cstdio>
#include <utility>

namespace kestro::standin {
namespace {

void WriteErrorLine(const std::string& text) {
  std::fprintf(stderr, "kestro stand-in app: %s\n", text.c_str());
  std::fflush(stderr);
}

}  // namespace

ScriptRequest MakeMethodRequest(const std::string& method,
                                std::optional<flutter::EncodableValue> arguments) {
  ScriptRequest request;
  request.line = Json{{"method", method}};
  if (arguments) request.line["arguments"] = NotationFromValue(*arguments);
  request.channel = kDefaultChannel;
  request.method = method;
  request.arguments = std::move(arguments);
  request.message = EncodeMethodCall(method, request.arguments ? &*request.arguments : nullptr);
  return request;
}

AppPlayer::AppPlayer(const AppOptions& options, const std::string& script_text,
                     const std::string& script_error, AppEnvironment* environment)
    : options_(options), environment_(environment), scripted_(!options.script_path.empty()) {
  if (!options.transcript_path.empty()) {
    transcript_ = Transcript(options.transcript_path);
    if (!transcript_.is_open()) WriteErrorLine("cannot write " + options.transcript_path);
  }
  for (const std::string& warning : options.warnings) WriteErrorLine(warning);
  if (!scripted_) return;
  script_ = script_error.empty() ? ParseScript(script_text) : Script{{}, script_error};
  if (!script_.error.empty()) WriteErrorLine(options.script_path + ": " + script_.error);
}

void AppPlayer::Start(const StartFacts& facts) {
  if (started_) return;
  started_ = true;
  transcript_.Write(StartedLine(facts));
  for (const std::string& warning : options_.warnings) {
    transcript_.Write(Json{{"event", "warning"}, {"message", warning}});
  }
  if (!scripted_) {
    Send(MakeMethodRequest("listPrinters", std::nullopt));
    return;
  }
  if (!script_.error.empty()) {
    transcript_.Write(Json{{"event", "scriptError"}, {"message", script_.error}});
    SetStatus("The script could not be read: " + script_.error);
    environment_->CloseWindow(options_.hold_ms);
    return;
  }
  SendNextScripted();
}

void AppPlayer::SendNextScripted() {
  if (next_request_ < script_.requests.size()) {
    Send(script_.requests[next_request_++]);
    return;
  }
  SetStatus("Script finished: " + std::to_string(answered_) + " of " +
            std::to_string(script_.requests.size()) + " requests answered.");
  environment_->CloseWindow(options_.hold_ms);
}

void AppPlayer::Send(ScriptRequest request) {
  const uint64_t id = next_id_++;
  if (request.method == "openDrawer") {
    model_.MirrorOpenDrawerArguments(request.arguments ? &*request.arguments : nullptr);
  }
  model_.SetBusy(true);
  if (scripted_) {
    SetStatus("Script request " + std::to_string(next_request_) + " of " +
              std::to_string(script_.requests.size()) + ": " +
              (request.method.empty() ? std::string("raw bytes") : request.method));
  }
  const std::string channel = request.channel;
  const std::vector<uint8_t> message = request.message;
  pending_ = Pending{id, std::move(request), true, environment_->MillisecondsSinceStart(), 0};
  pending_->delivered = environment_->SendToHost(id, channel, message);
  pending_->handled_ms = environment_->MillisecondsSinceStart();
  environment_->ArmReplyTimeout(id, options_.reply_timeout_ms);
  environment_->Redraw();
}

void AppPlayer::OnReply(uint64_t id, const std::vector<uint8_t>& reply) {
  if (pending_ && pending_->id == id) Finish(&reply);
}

void AppPlayer::OnReplyTimeout(uint64_t id) {
  if (pending_ && pending_->id == id) Finish(nullptr);
}

void AppPlayer::Finish(const std::vector<uint8_t>* reply) {
  const double answered_ms = environment_->MillisecondsSinceStart();
  Pending finished = std::move(*pending_);
  pending_.reset();
  Json line{{"request", finished.request.line},
            {"sentMs", TimeStamp(finished.sent_ms)},
            {"handledMs", TimeStamp(finished.handled_ms)},
            {"answeredMs", TimeStamp(answered_ms)}};
  if (reply != nullptr) {
    ReplyView view = DescribeReply(*reply);
    line["replyHex"] = ToHex(*reply);
    line["reply"] = view.description;
    ShowReply(finished.request, view);
    ++answered_;
  } else {
    line["timedOut"] = true;
    model_.SetNoAnswer("The host did not answer.");
    ++timed_out_;
  }
  if (!finished.delivered) line["noHandler"] = true;
  transcript_.Write(line);
  model_.SetBusy(false);
  environment_->Redraw();
  if (scripted_) {
    SendNextScripted();
  } else if (finished.request.method == "openDrawer" && reply != nullptr) {
    // The demo shows the drawer's state after each kick, where it can be read.
    Send(MakeMethodRequest("getDrawerState", model_.DrawerStateArguments()));
  }
}

void AppPlayer::ShowReply(const ScriptRequest& request, const ReplyView& reply) {
  switch (reply.kind) {
    case ReplyView::Kind::kSuccess:
      if (request.method == "listPrinters") model_.SetPrinters(reply.value);
      if (request.method == "openDrawer") model_.SetDrawerResult(reply.value);
      if (request.method == "getDrawerState" || request.method == "waitForDrawer") {
        model_.SetDrawerState(reply.value);
      }
      return;
    case ReplyView::Kind::kError:
      model_.SetChannelError(reply.error_code, reply.error_message);
      return;
    case ReplyView::Kind::kNotImplemented:
      model_.SetNoAnswer(request.method.empty()
                             ? "The host answered the bytes with an empty reply."
                             : "The host does not implement \"" + request.method + "\".");
      return;
    case ReplyView::Kind::kUndecodable:
      model_.SetNoAnswer("The host's reply could not be decoded.");
      return;
  }
}

void AppPlayer::OnHostMessage(const std::string& channel, const std::vector<uint8_t>& message) {
  transcript_.Write(
      Json{{"event", "hostMessage"}, {"channel", channel}, {"messageHex", ToHex(message)}});
}

void AppPlayer::OnClick(int x, int y, int width, int height) {
  if (scripted_ || !started_) return;
  std::optional<DemoItem> item = HitTest(LayOutDemo(model_, width, height), x, y);
  if (!item) return;
  switch (item->kind) {
    case DemoItemKind::kPrinterRow:
      model_.SelectPrinter(static_cast<size_t>(item->index));
      break;
    case DemoItemKind::kProtocolOption:
      model_.SelectProtocol(static_cast<DrawerProtocol>(item->index));
      break;
    case DemoItemKind::kDrawerOption:
      model_.SelectDrawer(item->index);
      break;
    case DemoItemKind::kOpenButton:
      if (!pending_) Send(MakeMethodRequest("openDrawer", model_.OpenDrawerArguments()));
      return;
    default:
      return;
  }
  environment_->Redraw();
}

void AppPlayer::OnClosing(int duplicate_responses) {
  transcript_.Write(Json{{"event", "closing"},
                         {"ms", TimeStamp(environment_->MillisecondsSinceStart())},
                         {"answered", answered_},
                         {"timedOut", timed_out_},
                         {"unanswered", pending_.has_value()},
                         {"duplicateResponses", duplicate_responses}});
}

void AppPlayer::SetStatus(const std::string& status) { model_.SetStatus(status); }

}  // namespace kestro::standin
