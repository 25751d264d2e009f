#include "tools/value_notation/json_text.h"

#include <cstddef>
#include <cstdint>
#include <utility>
#include <vector>

namespace kestro::notation {
namespace {

using nlohmann::json;

// Builds the document from the parser's events. It sees each number's own
// text, which is how an integer too large for 64 bits is told apart from a
// real number.
class DocumentBuilder {
 public:
  bool null() { return Add(nullptr); }
  bool boolean(bool value) { return Add(value); }
  bool number_integer(json::number_integer_t value) { return Add(value); }
  bool number_unsigned(json::number_unsigned_t value) { return Add(value); }
  bool number_float(json::number_float_t value, const std::string& text) {
    if (text.find_first_of(".eE") == std::string::npos) {
      error_ = "JSON integer " + text + " is beyond the 64-bit range";
      return false;
    }
    return Add(value);
  }
  bool string(std::string& value) { return Add(std::move(value)); }
  bool binary(json::binary_t& /*value*/) { return false; }  // JSON text has none
  bool start_object(std::size_t /*size*/) { return Open(json::object()); }
  bool key(std::string& key) {
    key_ = std::move(key);
    return true;
  }
  bool end_object() { return Close(); }
  bool start_array(std::size_t /*size*/) { return Open(json::array()); }
  bool end_array() { return Close(); }
  bool parse_error(std::size_t /*position*/, const std::string& /*token*/,
                   const json::exception& exception) {
    error_ = exception.what();
    // Drop the library's "[json.exception.parse_error.101] " prefix.
    const size_t end_of_prefix = error_.find("] ");
    if (error_.rfind("[json.exception", 0) == 0 && end_of_prefix != std::string::npos) {
      error_.erase(0, end_of_prefix + 2);
    }
    return false;
  }

  json& document() { return document_; }
  const std::string& error() const { return error_; }

 private:
  // Adds `value` where the parser is and returns where it went.
  json* Place(json value) {
    if (open_.empty()) {
      document_ = std::move(value);
      return &document_;
    }
    json& container = *open_.back();
    if (container.is_array()) {
      container.push_back(std::move(value));
      return &container.back();
    }
    json& member = container[key_];
    member = std::move(value);
    return &member;
  }
  bool Add(json value) {
    Place(std::move(value));
    return true;
  }
  // A container's element pointers stay valid while it is open: its parent
  // only grows once it is closed.
  bool Open(json container) {
    open_.push_back(Place(std::move(container)));
    return true;
  }
  bool Close() {
    open_.pop_back();
    return true;
  }

  json document_;
  std::vector<json*> open_;
  std::string key_;
  std::string error_;
};

}  // namespace

std::optional<json> ParseJson(std::string_view text, std::string* error) {
  DocumentBuilder builder;
  const bool parsed = json::sax_parse(text.begin(), text.end(), &builder);
  if (!parsed) {
    if (error) *error = builder.error();
    return std::nullopt;
  }
  return std::move(builder.document());
}

std::string DumpJson(const json& json) {
  return json.dump(-1, ' ', false, json::error_handler_t::replace);
}

}  // namespace kestro::notation
