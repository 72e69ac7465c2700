#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>

namespace vq::simulator {

using Ipv4Address = std::array<std::uint8_t, 4>;

// An IPv4 address and port, kept apart from any platform's socket structures.
struct Endpoint {
  Ipv4Address address{};
  std::uint16_t port = 0;

  std::string AddressText() const;
  std::string ToString() const { return AddressText() + ":" + std::to_string(port); }
};

// A dotted IPv4 address text ("127.0.0.1"); nullopt when it is not one.
std::optional<Ipv4Address> ParseIpv4Address(const std::string& text);

}  // namespace vq::simulator
