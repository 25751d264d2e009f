#include "cash_drawer/bounded_call.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <memory>
#include <string>
#include <thread>

namespace kestro {
namespace {

// A call that ends in time gives its result.
TEST(CallWithinTest, GivesTheResultOfACallThatEndsInTime) {
  EXPECT_EQ(CallWithin<std::string>(60000, [] { return std::string("answer"); }),
            std::optional<std::string>("answer"));
}

// A call that cannot end before CallWithin has returned (it waits for the
// test to release it afterwards) is given up when the time is up, and its
// late result is released on its own thread once it ends.
TEST(CallWithinTest, GivesUpOnACallThatHasNotEnded) {
  auto release = std::make_shared<std::promise<void>>();
  std::shared_future<void> released = release->get_future().share();
  auto result = std::make_shared<int>(7);
  std::weak_ptr<int> late_result = result;

  EXPECT_EQ(CallWithin<std::shared_ptr<int>>(50,
                                             [released, result = std::move(result)] {
                                               released.wait();
                                               return result;
                                             }),
            std::nullopt);

  release->set_value();
  for (int wait = 0; wait < 10000 && !late_result.expired(); ++wait) {
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
  }
  EXPECT_TRUE(late_result.expired());
}

}  // namespace
}  // namespace kestro
