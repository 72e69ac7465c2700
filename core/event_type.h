#pragma once

#include <cstdint>

namespace vq {

// The Windows event-log types that the service's log lines carry.
enum class EventType : std::uint16_t {
  kError = 1,        // EVENTLOG_ERROR_TYPE
  kInformation = 4,  // EVENTLOG_INFORMATION_TYPE
};

}  // namespace vq
