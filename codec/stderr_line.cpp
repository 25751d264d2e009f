#include "codec/stderr_line.h"

#include <cstdio>
#include <string>

namespace flutter {
namespace {

// The limit in force on this thread, if any.
struct LineBudget {
  bool limited = false;
  uint64_t left = 0;
  uint64_t left_out = 0;
};
thread_local LineBudget budget;

void WriteLine(std::string_view text) {
  std::string line;
  line.reserve(text.size() + 1);
  line.append(text);
  line.push_back('\n');
  std::fwrite(line.data(), 1, line.size(), stderr);
  std::fflush(stderr);
}

}  // namespace

void WriteStderrLine(std::string_view text) {
  if (budget.limited) {
    if (budget.left == 0) {
      ++budget.left_out;
      return;
    }
    --budget.left;
  }
  WriteLine(text);
}

StderrLineLimit::StderrLineLimit(uint64_t limit, const char* what) {
  if (budget.limited) return;
  in_force_ = true;
  what_ = what;
  budget = LineBudget{true, limit, 0};
}

StderrLineLimit::~StderrLineLimit() {
  if (!in_force_) return;
  const uint64_t left_out = budget.left_out;
  budget = LineBudget{};
  if (left_out > 0) {
    WriteLine(std::string(what_) + ": " + std::to_string(left_out) + " more error lines left out");
  }
}

}  // namespace flutter
