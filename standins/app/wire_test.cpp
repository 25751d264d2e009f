#include "standins/app/wire.h"

#include <gtest/gtest.h>

namespace {

using kestro::standin::DescribeReply;
using kestro::standin::FromHex;
using kestro::standin::Json;
using kestro::standin::ReplyView;

TEST(Wire, DescribesEveryKindOfReply) {
  const struct {
    const char* hex;
    ReplyView::Kind kind;
    Json description;
  } cases[] = {
      {"", ReplyView::Kind::kNotImplemented, Json{{"notImplemented", true}}},
      {"0001", ReplyView::Kind::kSuccess, Json{{"success", true}}},
      {"00", ReplyView::Kind::kSuccess, Json{{"success", nullptr}}},
      {"0003feffffff", ReplyView::Kind::kSuccess, Json{{"success", -2}}},
      {"01"
       "0701"
       "63"
       "0701"
       "6d"
       "00",
       ReplyView::Kind::kError,
       Json{{"error", Json{{"code", "c"}, {"message", "m"}, {"details", nullptr}}}}},
      {"01"
       "0701"
       "63"
       "00"
       "0302000000",
       ReplyView::Kind::kError,
       Json{{"error", Json{{"code", "c"}, {"message", ""}, {"details", 2}}}}},
      {"02", ReplyView::Kind::kUndecodable, Json{{"undecodable", true}}},
      {"01"
       "0301000000"
       "00"
       "00",
       ReplyView::Kind::kUndecodable, Json{{"undecodable", true}}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.hex);
    const ReplyView view = DescribeReply(*FromHex(c.hex));
    EXPECT_EQ(view.kind, c.kind);
    EXPECT_EQ(view.description, c.description);
  }
}

TEST(Wire, KeepsTheErrorParts) {
  const ReplyView view = DescribeReply(*FromHex("01 0701 63 0701 6d 0701 64"));
  EXPECT_EQ(view.error_code, "c");
  EXPECT_EQ(view.error_message, "m");
  EXPECT_EQ(view.value.Get<std::string>(), "d");
}

TEST(Wire, HexRoundTrips) {
  EXPECT_EQ(kestro::standin::ToHex({0x00, 0x1b, 0xff}), "001bff");
  EXPECT_EQ(FromHex("00 1B fF"), std::vector<uint8_t>({0x00, 0x1b, 0xff}));
  EXPECT_FALSE(FromHex("0").has_value());
  EXPECT_FALSE(FromHex("xy").has_value());
}

}  // namespace
