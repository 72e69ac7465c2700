#pragma once

#include <cstdio>
#include <string>

namespace vq::testing {

// The program that appends numbered lines to a log as a second writer would:
//   log_append_helper <log path> <start flag path> <tag> <count>
// It creates "<start flag path>.<tag>" when it is running and starts writing
// once the start flag exists.
inline constexpr char kLogAppendHelper[] = "log_append_helper";

// The message of line `number` from the writer tagged `tag`: short enough that
// two writers' 10,000 lines each stay below the rotation limit.
inline std::string AppendHelperMessage(const std::string& tag, int number) {
  char text[32];
  std::snprintf(text, sizeof(text), "%s %05d abcdefghijklm", tag.c_str(), number);
  return text;
}

}  // namespace vq::testing
