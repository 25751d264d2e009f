#include "cash_drawer/call_arguments.h"

#include <algorithm>

#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

const flutter::EncodableValue* Find(const flutter::ValueMap& arguments, const std::string& key) {
  auto entry = arguments.find(flutter::EncodableValue(key));
  return entry == arguments.end() ? nullptr : &entry->second;
}

}  // namespace

std::u16string ReadStringArgument(const flutter::ValueMap& arguments, const std::string& key) {
  const flutter::EncodableValue* value = Find(arguments, key);
  const std::string* text = value == nullptr ? nullptr : value->GetIf<std::string>();
  return text == nullptr ? std::u16string() : ToWideString(*text);
}

int32_t ReadIntArgument(const flutter::ValueMap& arguments, const std::string& key,
                        int32_t default_value) {
  const flutter::EncodableValue* value = Find(arguments, key);
  if (value == nullptr) return default_value;
  if (const int32_t* small = value->GetIf<int32_t>()) return *small;
  if (const int64_t* large = value->GetIf<int64_t>()) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint64_t>(*large)));
  }
  return default_value;
}

int32_t ReadTimeArgument(const flutter::ValueMap& arguments, const std::string& key,
                         int32_t default_value, int32_t longest) {
  return std::clamp(ReadIntArgument(arguments, key, default_value), 0, longest);
}

}  // namespace kestro
