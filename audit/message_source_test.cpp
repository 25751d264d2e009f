// The message table's source (kestro_messages.mc) against the catalogue:
// every event has a text under its id, whose insertion strings are exactly
// %1 to %n for its n fields, and the table holds no other message.

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <regex>
#include <set>
#include <sstream>
#include <string>

#include "audit/audit_events.h"

namespace kestro {
namespace {

// The texts of the .mc file by message id.
std::map<uint32_t, std::string> ReadMessages(const char* path) {
  std::ifstream file(path);
  std::stringstream source;
  source << file.rdbuf();
  const std::string text = source.str();
  std::map<uint32_t, std::string> messages;
  const std::regex block(
      R"(MessageId=(\d+)\n(?:\w+=[^\n]*\n)*?Language=English\n([\s\S]*?)\n\.\n)");
  for (auto match = std::sregex_iterator(text.begin(), text.end(), block);
       match != std::sregex_iterator(); ++match) {
    messages[static_cast<uint32_t>(std::stoul((*match)[1]))] = (*match)[2];
  }
  return messages;
}

std::set<int> InsertionNumbers(const std::string& message) {
  std::set<int> numbers;
  const std::regex insertion(R"(%(\d+))");
  for (auto match = std::sregex_iterator(message.begin(), message.end(), insertion);
       match != std::sregex_iterator(); ++match) {
    numbers.insert(std::stoi((*match)[1]));
  }
  return numbers;
}

TEST(MessageSource, HoldsATextForEachEventWithItsInsertionStrings) {
  std::map<uint32_t, std::string> messages = ReadMessages(KESTRO_MESSAGE_SOURCE);
  ASSERT_FALSE(messages.empty());
  for (const AuditEventInfo& info : AuditEventCatalogue()) {
    SCOPED_TRACE(info.name);
    const auto message = messages.find(info.event_id);
    ASSERT_NE(message, messages.end());
    std::set<int> expected;
    for (int i = 1; i <= static_cast<int>(info.fields.size()); ++i) expected.insert(i);
    EXPECT_EQ(InsertionNumbers(message->second), expected) << message->second;
    messages.erase(message);
  }
  EXPECT_TRUE(messages.empty()) << messages.begin()->first;
}

}  // namespace
}  // namespace kestro
