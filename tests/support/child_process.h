#pragma once

#include <string>
#include <vector>

namespace vq::testing {

// The path of a program built beside the running test executable (".exe" is
// added on Windows).
std::string ProgramBesideThisOne(const std::string& name);

// Starts every command (program path first, arguments without quotes) before
// waiting for any, then waits for all; returns their exit codes, -1 for one that
// could not be started or did not end normally.
std::vector<int> RunTogether(const std::vector<std::vector<std::string>>& commands);

}  // namespace vq::testing
