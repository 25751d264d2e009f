#include "value_notation/json_path.h"

namespace kestro::notation {

std::string MemberPath(std::string_view path, std::string_view name) {
  std::string place(path);
  place += '.';
  place += name;
  return place;
}

std::string ElementPath(std::string_view path, size_t index) {
  std::string place(path);
  place += '[';
  place += std::to_string(index);
  place += ']';
  return place;
}

std::string ErrorAt(std::string_view what, std::string_view where) {
  std::string error(what);
  error += ", at ";
  error += where;
  return error;
}

}  // namespace kestro::notation
