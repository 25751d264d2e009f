#include "cash_drawer/usb_printer_lookup.h"

#include <algorithm>

#include "cash_drawer/text_conversion.h"

namespace kestro {
namespace {

constexpr char16_t kDefaultBaseName[] = u"USB";
constexpr size_t kPortDigits = 3;

char16_t AsciiUpper(char16_t c) { return c >= u'a' && c <= u'z' ? c - u'a' + u'A' : c; }

bool SameAsciiName(const std::u16string& a, const std::u16string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(),
                    [](char16_t x, char16_t y) { return AsciiUpper(x) == AsciiUpper(y); });
}

std::u16string Digits(uint32_t number) {
  const std::string digits = std::to_string(number);
  std::u16string padded(digits.size() < kPortDigits ? kPortDigits - digits.size() : 0, u'0');
  return padded + std::u16string(digits.begin(), digits.end());
}

}  // namespace

std::optional<std::u16string> UsbPortNameOfKey(const UsbPrintInterfaceKey& key) {
  if (!key.port_number) return std::nullopt;
  return key.base_name.value_or(kDefaultBaseName) + Digits(*key.port_number);
}

std::optional<std::u16string> FindUsbPrinterPath(const std::u16string& port_name,
                                                 UsbPrintDevices& devices, std::string* reason) {
  if (!devices.List(reason)) return std::nullopt;
  std::string unreadable;
  std::u16string path;
  uint32_t index = 0;
  for (;; ++index) {
    std::string step_reason;
    const UsbPrintDevices::Step step = devices.InterfaceAt(index, &path, &step_reason);
    if (step == UsbPrintDevices::Step::kNoMore) break;
    if (step == UsbPrintDevices::Step::kFailed) {
      unreadable = step_reason;
      continue;
    }
    const std::optional<UsbPrintInterfaceKey> key = devices.ReadKey(index);
    const std::optional<std::u16string> name = key ? UsbPortNameOfKey(*key) : std::nullopt;
    if (name && SameAsciiName(*name, port_name)) return path;
  }
  *reason = "no present USB printer has the port " + ToUtf8String(port_name) + " (" +
            std::to_string(index) + " USB printer interfaces looked at" +
            (unreadable.empty() ? "" : "; one could not be read: " + unreadable) + ")";
  return std::nullopt;
}

}  // namespace kestro
