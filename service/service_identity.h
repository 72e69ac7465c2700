#pragma once

namespace vq {

// How the service is known to the service control manager and the event log.
inline constexpr char kServiceName[] = "VQ_VEruredo";
inline constexpr char kServiceDisplayName[] = "Vequor Clients Manager";

}  // namespace vq
