// Runs the built channel-codec program over the codec's byte examples and
// its error cases, checking what it prints and how it exits.

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "text/hex.h"

namespace kestro {
namespace {

struct ToolRun {
  int exit_code = -1;
  std::string out;
  std::string err;
};

std::string Quoted(const std::string& arg) {
  std::string quoted = "'";
  for (char c : arg) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
  return quoted + "'";
}

std::string Slurp(const std::string& path) {
  std::ifstream file(path, std::ios::binary);
  std::stringstream text;
  text << file.rdbuf();
  return text.str();
}

class TempDir {
 public:
  TempDir() {
    char pattern[] = "/tmp/channel-codec-test-XXXXXX";
    path_ = mkdtemp(pattern) ? pattern : "";
  }
  ~TempDir() {
    if (!path_.empty()) std::system(("rm -rf " + Quoted(path_)).c_str());
  }
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

ToolRun RunTool(const std::vector<std::string>& args) {
  const TempDir dir;
  std::string command = Quoted(CHANNEL_CODEC_PROGRAM);
  for (const std::string& arg : args) command += " " + Quoted(arg);
  command += " >" + dir.path() + "/out 2>" + dir.path() + "/err </dev/null";
  ToolRun run;
  const int status = std::system(command.c_str());
  if (WIFEXITED(status)) run.exit_code = WEXITSTATUS(status);
  run.out = Slurp(dir.path() + "/out");
  run.err = Slurp(dir.path() + "/err");
  return run;
}

const char kInvalidRead[] = "Invalid read in StandardCodecByteStreamReader\n";

struct Case {
  std::vector<std::string> args;
  int exit_code;
  std::string out;
  std::string err;
};

void Check(const Case& c) {
  std::string shown;
  for (const std::string& arg : c.args) shown += arg + " ";
  SCOPED_TRACE(shown);
  const ToolRun run = RunTool(c.args);
  EXPECT_EQ(run.exit_code, c.exit_code);
  EXPECT_EQ(run.out, c.out);
  EXPECT_EQ(run.err, c.err);
}

TEST(ChannelCodecTest, DecodesTheCodecByteExamples) {
  const Case cases[] = {
      {{"decode", "value", "00"}, 0, "null\n", ""},
      {{"decode", "value", "01"}, 0, "true\n", ""},
      {{"decode", "value", "03 FE FF FF FF"}, 0, "-2\n", ""},
      {{"decode", "value", "04 05 00 00 00 00 00 00 00"}, 0, "{\"$int64\":5}\n", ""},
      {{"decode", "value", "06 00 00 00 00 00 00 00 00 00 00 00 00 00 F8 3F"}, 0, "1.5\n", ""},
      {{"decode", "value", "0C 02 03 01 00 00 00 06 00 00 00 00 00 00 F8 3F"}, 0, "[1,1.5]\n", ""},
      {{"decode", "value", "09 02 00 00 07 00 00 00 08 00 00 00"}, 0, "{\"$int32s\":[7,8]}\n", ""},
      {{"decode", "value", "0B 01 00 00 00 00 00 00 00 00 00 00 00 00 F0 3F"},
       0,
       "{\"$float64s\":[1.0]}\n",
       ""},
      {{"decode", "value", "07 03 70 69 6E"}, 0, "\"pin\"\n", ""},
      {{"decode", "value", "07", "00"}, 0, "\"\"\n", ""},
      {{"decode", "value", "0C00"}, 0, "[]\n", ""},
      {{"decode", "value", "0D00"}, 0, "{}\n", ""},
      {{"decode", "value", "05 02 31 30"}, 0, "\"10\"\n", ""},
      {{"decode", "value", "0F"},
       0,
       "null\n",
       "Unknown type in StandardCodecSerializer::ReadValueOfType: 15\n"},
      {{"decode", "value", "0D 02 07 01 61 03 01 00 00 00 07 01 61 03 02 00 00 00"},
       0,
       "{\"a\":1}\n",
       ""},
      {{"decode", "value", "07 05 41 42"},
       0,
       "\"\\u0000\\u0000\\u0000\\u0000\\u0000\"\n",
       kInvalidRead},
      {{"decode", "value", "0C 03 03 07 00 00 00"},
       0,
       "[7,null,null]\n",
       std::string(kInvalidRead) + kInvalidRead},
      {{"decode", "value", "0D 02 03 01 00 00 00 07 01 61 04 01 00 00 00 00 00 00 00 07 01 62"},
       0,
       "{\"$map\":[[1,\"a\"],[{\"$int64\":1},\"b\"]]}\n",
       ""},
      {{"decode", "call", "07 0C 6C 69 73 74 50 72 69 6E 74 65 72 73 00"},
       0,
       "{\"arguments\":null,\"method\":\"listPrinters\"}\n",
       ""},
      {{"decode", "call",
        "07 0A 6F 70 65 6E 44 72 61 77 65 72 0D 02 07 08 70 72 6F 74 6F 63 6F 6C 07 08 73 74 61 "
        "72 50 72 6E 74 07 07 70 75 6C 73 65 4F 6E 03 19 00 00 00"},
       0,
       "{\"arguments\":{\"protocol\":\"starPrnt\",\"pulseOn\":25},\"method\":\"openDrawer\"}\n",
       ""},
      {{"decode", "call", "07 0C 6C 69 73 74 50 72 69 6E 74 65 72 73"},
       0,
       "{\"arguments\":null,\"method\":\"listPrinters\"}\n",
       kInvalidRead},
      {{"decode", "reply", "00 01"}, 0, "{\"success\":true}\n", ""},
      {{"decode", "reply", "00 00"}, 0, "{\"success\":null}\n", ""},
      {{"decode", "reply", "00 0D 01 07 07 73 75 63 63 65 73 73 01"},
       0,
       "{\"success\":{\"success\":true}}\n",
       ""},
      {{"decode", "reply", "01 07 11 69 6E 76 61 6C 69 64 5F 61 72 67 75 6D 65 6E 74 73 00 00"},
       0,
       "{\"error\":{\"code\":\"invalid_arguments\",\"details\":null,\"message\":\"\"}}\n",
       ""},
      {{"decode", "reply", "01 07 01 45 00 00"},
       0,
       "{\"error\":{\"code\":\"E\",\"details\":null,\"message\":\"\"}}\n",
       ""},
      {{"decode", "reply", ""}, 0, "{\"notImplemented\":true}\n", ""},
  };
  for (const Case& c : cases) Check(c);
}

TEST(ChannelCodecTest, EncodesTheCodecByteExamples) {
  const Case cases[] = {
      {{"encode", "value", "null"}, 0, "00\n", ""},
      {{"encode", "value", "false"}, 0, "02\n", ""},
      {{"encode", "value", "-2"}, 0, "03feffffff\n", ""},
      {{"encode", "value", "{\"$int64\": 5}"}, 0, "040500000000000000\n", ""},
      {{"encode", "value", "1.5"},
       0,
       "06000000000000000000000000"
       "00f83f\n",
       ""},
      {{"encode", "value", "[1,", "1.5]"}, 0, "0c02030100000006000000000000f83f\n", ""},
      {{"encode", "value", "{\"$int32s\": [7, 8]}"}, 0, "090200000700000008000000\n", ""},
      {{"encode", "value", "{\"$float64s\": [1]}"}, 0, "0b01000000000000000000000000f03f\n", ""},
      {{"encode", "value", "\"pin\""}, 0, "070370696e\n", ""},
      {{"encode", "value", "{\"pulseOn\": 2, \"pin\": 1}"},
       0,
       "0d020703"
       "70696e03010000000707"
       "70756c73654f6e0302000000\n",
       ""},
      {{"encode", "value", "{\"pin\": {\"$int64\": 5}}"},
       0,
       "0d01070370696e040500000000000000\n",
       ""},
      {{"encode", "call", "{\"method\": \"listPrinters\"}"},
       0,
       "070c6c6973745072696e7465727300\n",
       ""},
      {{"encode", "call",
        "{\"method\": \"openDrawer\", \"arguments\": {\"pulseOn\": 25, \"protocol\": "
        "\"starPrnt\"}}"},
       0,
       "070a6f70656e4472617765720d020708"
       "70726f746f636f6c0708737461725072"
       "6e74070770756c7365"
       "4f6e0319000000\n",
       ""},
      {{"encode", "reply", "{\"success\": true}"}, 0, "0001\n", ""},
      {{"encode", "reply", "{\"success\": null}"}, 0, "0000\n", ""},
      {{"encode", "reply", "{\"error\": {\"code\": \"invalid_arguments\", \"message\": \"\"}}"},
       0,
       "010711696e76616c69645f617267756d656e74730000\n",
       ""},
      {{"encode", "reply", "{\"notImplemented\": true}"}, 0, "\n", ""},
  };
  for (const Case& c : cases) Check(c);
}

TEST(ChannelCodecTest, ReportsBadInputAndNonMessages) {
  const Case cases[] = {
      {{"decode", "call", "03 01 00 00 00"},
       1,
       "",
       "Invalid method call; method name is not a string.\n"},
      {{"decode", "reply", "02"}, 1, "", ""},
      {{"decode", "value", "0g"}, 2, "", "channel-codec: hex: not a hex digit at offset 1\n"},
      {{"encode", "value", "[1,"},
       2,
       "",
       "channel-codec: bad JSON: parse error at line 1, column 4: syntax error while parsing "
       "value - unexpected end of input; expected '[', '{', or a literal\n"},
      {{"encode", "value", "{\"$int64\": \"x\"}"},
       2,
       "",
       "channel-codec: bad notation: $int64 needs an integer within the 64-bit range, at "
       "$.$int64\n"},
      {{"encode", "call", "{\"arguments\": 1}"},
       2,
       "",
       "channel-codec: bad notation: missing member \"method\", at $\n"},
      {{"encode", "reply", "{\"ok\": 1}"},
       2,
       "",
       "channel-codec: bad notation: a reply must be {\"success\": ..}, {\"error\": {..}} or "
       "{\"notImplemented\": true}, at $\n"},
      {{"decode", "value", "--file", "."}, 2, "", "channel-codec: cannot read .\n"},
      {{"decode", "value", "--file", "/nonexistent/message"},
       2,
       "",
       "channel-codec: cannot read /nonexistent/message\n"},
  };
  for (const Case& c : cases) Check(c);
}

TEST(ChannelCodecTest, RejectsBadUsageWithTheUsage) {
  const std::vector<std::vector<std::string>> usages = {
      {},
      {"decode"},
      {"decode", "thing", "00"},
      {"transcode", "value", "00"},
      {"encode", "value"},
      {"decode", "value", "--file"},
  };
  for (const auto& args : usages) {
    const ToolRun run = RunTool(args);
    EXPECT_EQ(run.exit_code, 2);
    EXPECT_EQ(run.out, "");
    EXPECT_NE(run.err.find("usage: channel-codec decode"), std::string::npos) << run.err;
  }
}

TEST(ChannelCodecTest, HelpExplainsWithAnExample) {
  const ToolRun run = RunTool({"--help"});
  EXPECT_EQ(run.exit_code, 0);
  EXPECT_NE(run.out.find("channel-codec decode call 070c6c69"), std::string::npos);
  EXPECT_NE(run.out.find("Exit status"), std::string::npos);
  EXPECT_EQ(run.err, "");
}

TEST(ChannelCodecTest, DecodesRawBytesFromAFile) {
  const TempDir dir;
  const std::string path = dir.path() + "/message.bin";
  const auto bytes = text::ParseHex("07 0C 6C 69 73 74 50 72 69 6E 74 65 72 73 00");
  ASSERT_TRUE(bytes.has_value());
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes->data()),
             static_cast<std::streamsize>(bytes->size()));
  Check({{"decode", "call", "--file", path},
         0,
         "{\"arguments\":null,\"method\":\"listPrinters\"}\n",
         ""});
}

}  // namespace
}  // namespace kestro
