#include "bench/floors/floor_output_win.h"

#include <cstdio>

namespace kestro::floors {

bool WriteTimes(const std::wstring& path, const char* key, const std::vector<double>& times) {
  std::FILE* file = _wfopen(path.c_str(), L"wb");
  if (file == nullptr) return false;
  std::fprintf(file, "{\"%s\": [", key);
  for (size_t i = 0; i < times.size(); ++i) {
    std::fprintf(file, "%s%.3f", i == 0 ? "" : ", ", times[i]);
  }
  std::fprintf(file, "]}\n");
  return std::fclose(file) == 0;
}

}  // namespace kestro::floors
