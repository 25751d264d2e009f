#include "value_notation/json_text.h"

#include <charconv>
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

#include "value_notation/json_path.h"

namespace kestro::notation {
namespace {

using nlohmann::json;

// Whether the text of a JSON number is an integer: it has no fraction and no
// exponent.
bool IsIntegerText(std::string_view text) { return text.find_first_of(".eE") == text.npos; }

// What is wrong with a number whose value no 64-bit integer or double holds.
std::string NumberBeyondRange(std::string_view text) {
  std::string what = IsIntegerText(text) ? "integer " : "number ";
  what += text;
  what += IsIntegerText(text) ? " beyond the 64-bit range" : " beyond the range of a double";
  return what;
}

// Builds the document from the parser's events. It sees each number's own
// text, which is how an integer too large for 64 bits is told apart from a
// real number, and each member name before its value, which is how a name
// given twice is caught before it replaces the first.
class DocumentBuilder {
 public:
  bool null() { return Add(nullptr); }
  bool boolean(bool value) { return Add(value); }
  bool number_integer(json::number_integer_t value) { return Add(value); }
  bool number_unsigned(json::number_unsigned_t value) { return Add(value); }
  bool number_float(json::number_float_t value, const std::string& text) {
    if (IsIntegerText(text)) return Fail(NumberBeyondRange(text));
    // The library reads numbers with the C library's strtod, which is not
    // the nearest double everywhere: MinGW's reads 3.839223843572815e-239
    // one unit too high. from_chars is; `value` stays for a number so near
    // zero that it counts as out of range.
    double nearest = value;
    std::from_chars(text.data(), text.data() + text.size(), nearest);
    return Add(nearest);
  }
  bool string(std::string& value) { return Add(std::move(value)); }
  bool binary(json::binary_t& /*value*/) { return false; }  // JSON text has none
  bool start_object(std::size_t /*size*/) { return Open(json::object()); }
  bool key(std::string& key) {
    Level& level = open_.back();
    level.key = std::move(key);
    if (level.container->contains(level.key)) return Fail("a key given twice");
    return true;
  }
  bool end_object() { return Close(); }
  bool start_array(std::size_t /*size*/) { return Open(json::array()); }
  bool end_array() { return Close(); }
  bool parse_error(std::size_t /*position*/, const std::string& token,
                   const json::exception& exception) {
    // 406: a number that even a double cannot hold.
    if (exception.id == 406) return Fail(NumberBeyondRange(token));
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
  // A container being filled, and for an object the name of the member
  // whose value comes next.
  struct Level {
    json* container;
    std::string key;
  };

  // Adds `value` where the parser is and returns where it went.
  json* Place(json value) {
    if (open_.empty()) {
      document_ = std::move(value);
      return &document_;
    }
    Level& level = open_.back();
    if (level.container->is_array()) {
      level.container->push_back(std::move(value));
      return &level.container->back();
    }
    json& member = (*level.container)[level.key];
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
    json* placed = Place(std::move(container));
    open_.push_back(Level{placed, {}});
    return true;
  }
  bool Close() {
    open_.pop_back();
    return true;
  }

  // Where the value the parser reads now goes: an open container that holds
  // a deeper one holds it as its last element or under its current key.
  std::string Where() const {
    std::string where = "$";
    for (size_t i = 0; i < open_.size(); ++i) {
      const Level& level = open_[i];
      if (level.container->is_object()) {
        where = MemberPath(where, level.key);
      } else {
        const bool holds_deeper = i + 1 < open_.size();
        where = ElementPath(where, level.container->size() - (holds_deeper ? 1 : 0));
      }
    }
    return where;
  }
  bool Fail(std::string_view what) {
    error_ = ErrorAt(what, Where());
    return false;
  }

  json document_;
  std::vector<Level> open_;
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
