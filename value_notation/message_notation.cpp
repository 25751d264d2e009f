#include "value_notation/message_notation.h"

#include <initializer_list>
#include <utility>

#include "value_notation/json_path.h"
#include "value_notation/value_notation.h"

namespace kestro::notation {
namespace {

using flutter::EncodableValue;
using nlohmann::json;

std::nullopt_t Fail(std::string* error, const std::string& what) {
  if (error) *error = what;
  return std::nullopt;
}

// The member names of `object` outside `allowed`, if any, for the error.
std::optional<std::string> UnknownMember(const json& object,
                                         std::initializer_list<const char*> allowed) {
  for (const auto& [name, member] : object.items()) {
    bool known = false;
    for (const char* allowed_name : allowed) known = known || name == allowed_name;
    if (!known) return name;
  }
  return std::nullopt;
}

// A member read as a value; an absent member is null.
std::optional<EncodableValue> MemberValue(const json& object, const char* name,
                                          const std::string& where, std::string* error) {
  if (!object.contains(name)) return EncodableValue();
  return ValueFromJson(object.at(name), error, MemberPath(where, name));
}

// A member that must denote a string; absent gives `fallback` when there is one.
std::optional<std::string> MemberText(const json& object, const char* name,
                                      const std::string& where, std::string* error,
                                      const std::optional<std::string>& fallback) {
  if (!object.contains(name)) {
    if (fallback) return fallback;
    return Fail(error, ErrorAt(std::string("missing member \"") + name + "\"", where));
  }
  std::optional<EncodableValue> value = MemberValue(object, name, where, error);
  if (!value) return std::nullopt;
  std::string* text = value->GetIf<std::string>();
  if (text == nullptr) return Fail(error, ErrorAt("not a string", MemberPath(where, name)));
  return std::move(*text);
}

// A string as its value in the notation (text, or hex when it is not UTF-8).
json TextToJson(const std::string& text) { return *ValueToJson(EncodableValue(text)); }

// Hands what DecodeReply finds to a Reply.
class ReplyRecorder : public flutter::MethodResult {
 public:
  void Success(const EncodableValue* result) override {
    reply.kind = Reply::Kind::kSuccess;
    if (result) reply.result = *result;
  }
  void Error(const std::string& code, const std::string& message,
             const EncodableValue* details) override {
    reply.kind = Reply::Kind::kError;
    reply.code = code;
    reply.message = message;
    if (details) reply.details = *details;
  }
  void NotImplemented() override { reply.kind = Reply::Kind::kNotImplemented; }

  Reply reply;
};

}  // namespace

std::optional<json> CallToJson(const flutter::MethodCall& call, std::string* error) {
  std::optional<json> arguments =
      ValueToJson(call.arguments() ? *call.arguments() : EncodableValue(), error, "$.arguments");
  if (!arguments) return std::nullopt;
  json out = json::object();
  out["method"] = TextToJson(call.method_name());
  out["arguments"] = std::move(*arguments);
  return out;
}

std::unique_ptr<flutter::MethodCall> CallFromJson(const json& json, std::string* error) {
  if (!json.is_object()) {
    Fail(error, "a call must be an object with \"method\" and \"arguments\", at $");
    return nullptr;
  }
  if (const auto unknown = UnknownMember(json, {"method", "arguments"})) {
    Fail(error, "a call has no member \"" + *unknown + "\", at $");
    return nullptr;
  }
  std::optional<std::string> method = MemberText(json, "method", "$", error, std::nullopt);
  if (!method) return nullptr;
  std::optional<EncodableValue> arguments = MemberValue(json, "arguments", "$", error);
  if (!arguments) return nullptr;
  return std::make_unique<flutter::MethodCall>(
      std::move(*method), std::make_unique<EncodableValue>(std::move(*arguments)));
}

std::optional<json> ReplyToJson(const Reply& reply, std::string* error) {
  json out = json::object();
  switch (reply.kind) {
    case Reply::Kind::kNotImplemented:
      out["notImplemented"] = true;
      return out;
    case Reply::Kind::kSuccess: {
      std::optional<json> result = ValueToJson(reply.result, error, "$.success");
      if (!result) return std::nullopt;
      out["success"] = std::move(*result);
      return out;
    }
    case Reply::Kind::kError: {
      std::optional<json> details = ValueToJson(reply.details, error, "$.error.details");
      if (!details) return std::nullopt;
      json body = json::object();
      body["code"] = TextToJson(reply.code);
      body["message"] = TextToJson(reply.message);
      body["details"] = std::move(*details);
      out["error"] = std::move(body);
      return out;
    }
  }
  return std::nullopt;
}

std::optional<Reply> ReplyFromJson(const json& json, std::string* error) {
  const char* const shape =
      R"(a reply must be {"success": ..}, {"error": {..}} or {"notImplemented": true}, at $)";
  if (!json.is_object() || json.size() != 1) return Fail(error, shape);
  const std::string& kind = json.begin().key();
  const nlohmann::json& body = json.begin().value();
  Reply reply;
  if (kind == "notImplemented") {
    if (body != true) return Fail(error, "notImplemented must be true, at $.notImplemented");
    return reply;
  }
  if (kind == "success") {
    std::optional<EncodableValue> result = MemberValue(json, "success", "$", error);
    if (!result) return std::nullopt;
    reply.kind = Reply::Kind::kSuccess;
    reply.result = std::move(*result);
    return reply;
  }
  if (kind != "error") return Fail(error, shape);
  const std::string where = "$.error";
  if (!body.is_object()) return Fail(error, "an error must be an object, at " + where);
  if (const auto unknown = UnknownMember(body, {"code", "message", "details"})) {
    return Fail(error, ErrorAt("an error has no member \"" + *unknown + "\"", where));
  }
  std::optional<std::string> code = MemberText(body, "code", where, error, std::nullopt);
  if (!code) return std::nullopt;
  std::optional<std::string> message = MemberText(body, "message", where, error, "");
  if (!message) return std::nullopt;
  std::optional<EncodableValue> details = MemberValue(body, "details", where, error);
  if (!details) return std::nullopt;
  reply.kind = Reply::Kind::kError;
  reply.code = std::move(*code);
  reply.message = std::move(*message);
  reply.details = std::move(*details);
  return reply;
}

std::vector<uint8_t> EncodeReply(const Reply& reply, const flutter::MethodCodec& codec) {
  switch (reply.kind) {
    case Reply::Kind::kSuccess:
      return codec.EncodeSuccessReply(&reply.result);
    case Reply::Kind::kError:
      return codec.EncodeErrorReply(reply.code, reply.message,
                                    reply.details.IsNull() ? nullptr : &reply.details);
    case Reply::Kind::kNotImplemented:
      break;
  }
  return {};
}

std::optional<Reply> DecodeReply(const uint8_t* bytes, size_t size,
                                 const flutter::MethodCodec& codec) {
  ReplyRecorder recorder;
  if (size == 0) return recorder.reply;
  if (!codec.DecodeReply(bytes, size, &recorder)) return std::nullopt;
  return std::move(recorder.reply);
}

}  // namespace kestro::notation
