#include "cash_drawer/sized_read.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "cash_drawer/print_spooler.h"

namespace kestro {
namespace {

// A query whose answer needs `sizes[i]` bytes at its i-th call (the last size
// from then on): a call with a smaller buffer fails with `sizing_refusal` when
// it is the sizing call (no buffer), with `reading_refusal` otherwise.
struct ScriptedQuery {
  std::vector<uint32_t> sizes;
  uint32_t sizing_refusal;
  uint32_t reading_refusal;
  std::vector<size_t> buffers_given;

  SizedCall operator()(std::vector<uint8_t>* buffer) {
    const size_t call = buffers_given.size();
    const uint32_t needed = sizes[std::min(call, sizes.size() - 1)];
    buffers_given.push_back(buffer->size());
    if (buffer->size() >= needed) {
      for (uint8_t& byte : *buffer) byte = 0xAB;
      return {true, needed, 0};
    }
    return {false, needed, buffer->empty() ? sizing_refusal : reading_refusal};
  }
};

constexpr uint32_t kTooSmall = kInsufficientBufferError;

struct SizedCase {
  const char* label;
  std::vector<uint32_t> sizes;
  uint32_t sizing_refusal;
  uint32_t reading_refusal;
  bool read;
  uint32_t error_code;                // when not read
  std::vector<size_t> buffers_given;  // the sizing call's first
};

// The answer may grow between any two calls; the reading call is made again
// with the new size, three reading calls at most.
TEST(ReadSized, ReadsAgainWithTheNewSizeAtMostThreeTimes) {
  const SizedCase cases[] = {
      {"read at once", {40}, kTooSmall, kTooSmall, true, 0, {0, 40}},
      {"nothing to read", {0}, kTooSmall, kTooSmall, true, 0, {0}},
      {"grew once", {40, 60}, kTooSmall, kTooSmall, true, 0, {0, 40, 60}},
      {"grew twice", {40, 60, 80}, kTooSmall, kTooSmall, true, 0, {0, 40, 60, 80}},
      {"grew three times: given up",
       {40, 60, 80, 100},
       kTooSmall,
       kTooSmall,
       false,
       kTooSmall,
       {0, 40, 60, 80}},
      {"shrank: read at once", {40, 20}, kTooSmall, kTooSmall, true, 0, {0, 40}},
      {"the sizing call fails otherwise",
       {40},
       kInvalidParameterError,
       kTooSmall,
       false,
       kInvalidParameterError,
       {0}},
      {"the reading call fails otherwise", {40, 60}, kTooSmall, 5, false, 5, {0, 40}},
  };
  for (const SizedCase& c : cases) {
    SCOPED_TRACE(c.label);
    ScriptedQuery query{c.sizes, c.sizing_refusal, c.reading_refusal, {}};
    std::vector<uint8_t> buffer = {1, 2, 3};
    uint32_t error_code = 0;
    const bool read = ReadSized([&query](std::vector<uint8_t>* into) { return query(into); },
                                &buffer, &error_code);
    EXPECT_EQ(read, c.read);
    EXPECT_EQ(query.buffers_given, c.buffers_given);
    if (read) {
      EXPECT_EQ(buffer, std::vector<uint8_t>(c.buffers_given.back(), 0xAB));
    } else {
      EXPECT_EQ(error_code, c.error_code);
    }
  }
}

}  // namespace
}  // namespace kestro
