#pragma once

namespace vq::testing {

// Whether this test runs as a Windows program under Wine, for the few places
// where Wine's sockets differ from Windows (a reset peer reads as a closed one).
bool RunningUnderWine();

}  // namespace vq::testing
