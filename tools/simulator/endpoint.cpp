#include "tools/simulator/endpoint.h"

#include <charconv>

namespace vq::simulator {

std::string Endpoint::AddressText() const {
  return std::to_string(address[0]) + "." + std::to_string(address[1]) + "." + std::to_string(address[2]) + "." +
         std::to_string(address[3]);
}

std::optional<Ipv4Address> ParseIpv4Address(const std::string& text) {
  Ipv4Address address{};
  const char* position = text.data();
  const char* end = text.data() + text.size();
  for (std::size_t part = 0; part < address.size(); ++part) {
    if (part > 0) {
      if (position == end || *position != '.') return std::nullopt;
      ++position;
    }
    if (position == end || *position < '0' || *position > '9') return std::nullopt;
    unsigned value = 0;
    auto [next, error] = std::from_chars(position, end, value);
    if (error != std::errc() || value > 255 || next - position > 3) return std::nullopt;
    address[part] = static_cast<std::uint8_t>(value);
    position = next;
  }
  if (position != end) return std::nullopt;
  return address;
}

}  // namespace vq::simulator
