// Places in a JSON document, as the tools' error messages name them: "$" for
// the whole document (or whatever name a caller gives its root), then ".name"
// for a member of an object and "[i]" for an element of an array, as in
// $.arguments.pin or $.$map[2][0].

#ifndef KESTRO_VALUE_NOTATION_JSON_PATH_H_
#define KESTRO_VALUE_NOTATION_JSON_PATH_H_

#include <cstddef>
#include <string>
#include <string_view>

namespace kestro::notation {

// The place of member `name` of the object at `path`.
std::string MemberPath(std::string_view path, std::string_view name);

// The place of element `index` of the array at `path`.
std::string ElementPath(std::string_view path, size_t index);

// An error as the tools word it: what is wrong, then where, as in
// "a key given twice, at $.pin".
std::string ErrorAt(std::string_view what, std::string_view where);

}  // namespace kestro::notation

#endif  // KESTRO_VALUE_NOTATION_JSON_PATH_H_
