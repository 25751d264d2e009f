// The message table of the built kestro.exe, read as the Event Viewer reads
// it (FormatMessageW from the program's module): every event of the
// catalogue has a text under its id, and that text takes exactly the
// insertion strings the program passes.

#include <gtest/gtest.h>
#include <windows.h>

#include <set>
#include <string>
#include <vector>

#include "audit/audit_events.h"
#include "text/utf16.h"
#include "text/wide_chars.h"

namespace kestro {
namespace {

// The build's Unix path of kestro.exe, as Wine's drive Z: shows it.
std::u16string ProgramPath() {
  std::u16string path = u"Z:" + text::Utf8ToUtf16(KESTRO_EXE_PATH);
  for (char16_t& c : path) {
    if (c == u'/') c = u'\\';
  }
  return path;
}

// The message `id` of `module`, formatted with `arguments` (or with its
// insertions left as written when there are none); none when it has no text.
std::optional<std::u16string> Format(HMODULE module, uint32_t id,
                                     const std::vector<std::u16string>* arguments) {
  std::vector<DWORD_PTR> pointers;
  if (arguments != nullptr) {
    for (const std::u16string& argument : *arguments) {
      pointers.push_back(reinterpret_cast<DWORD_PTR>(text::AsWideChars(argument)));
    }
  }
  DWORD flags = FORMAT_MESSAGE_FROM_HMODULE | FORMAT_MESSAGE_ALLOCATE_BUFFER;
  flags |= arguments == nullptr ? FORMAT_MESSAGE_IGNORE_INSERTS : FORMAT_MESSAGE_ARGUMENT_ARRAY;
  wchar_t* buffer = nullptr;
  const DWORD length = ::FormatMessageW(
      flags, module, id, MAKELANGID(LANG_ENGLISH, SUBLANG_ENGLISH_US),
      reinterpret_cast<wchar_t*>(&buffer), 0,
      arguments == nullptr ? nullptr : reinterpret_cast<va_list*>(pointers.data()));
  if (length == 0) return std::nullopt;
  std::u16string message(text::AsU16Chars(buffer), length);
  ::LocalFree(buffer);
  return message;
}

std::set<int> InsertionNumbers(const std::u16string& message) {
  std::set<int> numbers;
  for (size_t i = 0; i + 1 < message.size(); ++i) {
    if (message[i] != u'%') continue;
    int number = 0;
    size_t j = i + 1;
    for (; j < message.size() && message[j] >= u'0' && message[j] <= u'9'; ++j) {
      number = number * 10 + (message[j] - u'0');
    }
    if (j > i + 1) numbers.insert(number);
  }
  return numbers;
}

TEST(MessageTable, HasATextWithTheInsertionStringsOfEveryEvent) {
  const HMODULE program =
      ::LoadLibraryExW(text::AsWideChars(ProgramPath()), nullptr,
                       LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE);
  ASSERT_NE(program, nullptr) << ::GetLastError();
  for (const AuditEventInfo& info : AuditEventCatalogue()) {
    SCOPED_TRACE(info.name);
    const std::optional<std::u16string> text = Format(program, info.event_id, nullptr);
    ASSERT_TRUE(text.has_value()) << ::GetLastError();
    std::set<int> expected;
    std::vector<std::u16string> arguments;
    for (size_t i = 1; i <= info.fields.size(); ++i) {
      expected.insert(static_cast<int>(i));
      arguments.push_back(u"<" + text::Utf8ToUtf16(info.fields[i - 1]) + u">");
    }
    EXPECT_EQ(InsertionNumbers(*text), expected) << text::Utf16ToUtf8(*text);
    // Formatted as a reader of the log sees it: every value in, nothing left over.
    const std::optional<std::u16string> shown = Format(program, info.event_id, &arguments);
    ASSERT_TRUE(shown.has_value());
    for (const std::u16string& argument : arguments) {
      EXPECT_NE(shown->find(argument), std::u16string::npos) << text::Utf16ToUtf8(*shown);
    }
    EXPECT_EQ(shown->find(u'%'), std::u16string::npos) << text::Utf16ToUtf8(*shown);
  }
  ::FreeLibrary(program);
}

}  // namespace
}  // namespace kestro
