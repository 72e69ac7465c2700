#pragma once

#include <ostream>
#include <string>
#include <vector>

#include "core/event_log.h"

namespace vq::testing {

// Remembers every entry, in order.
class FakeEventLog final : public EventLog {
 public:
  struct Entry {
    EventType type;
    std::string text;
    bool operator==(const Entry&) const = default;
    friend void PrintTo(const Entry& entry, std::ostream* out) {
      *out << "{" << static_cast<int>(entry.type) << ", \"" << entry.text << "\"}";
    }
  };
  std::vector<Entry> entries;

  void Write(EventType type, const std::string& text) override { entries.push_back({type, text}); }
};

}  // namespace vq::testing
