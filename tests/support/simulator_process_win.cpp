#include <windows.h>

#include <random>
#include <stdexcept>

#include "tests/support/simulator_process.h"

namespace vq::testing {
namespace {

// Quotes one argument so that the child's command-line parser gives it back unchanged.
std::string QuoteArgument(const std::string& argument) {
  if (!argument.empty() && argument.find_first_of(" \t\"") == std::string::npos) return argument;
  std::string quoted = "\"";
  std::size_t backslashes = 0;
  for (char c : argument) {
    if (c == '\\') {
      ++backslashes;
      continue;
    }
    quoted.append(c == '"' ? backslashes * 2 + 1 : backslashes, '\\');
    backslashes = 0;
    quoted += c;
  }
  quoted.append(backslashes * 2, '\\');
  return quoted + "\"";
}

// Owns one HANDLE.
class ScopedHandle {
 public:
  explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
  ScopedHandle(const ScopedHandle&) = delete;
  ScopedHandle& operator=(const ScopedHandle&) = delete;
  ~ScopedHandle() {
    if (handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr) CloseHandle(handle_);
  }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

ScopedHandle OpenInheritable(const std::string& path, DWORD access, DWORD disposition) {
  SECURITY_ATTRIBUTES inherit{sizeof(inherit), nullptr, TRUE};
  HANDLE handle = CreateFileA(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, &inherit,
                              disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) {
    throw std::runtime_error("cannot open " + path + " (error " + std::to_string(GetLastError()) + ")");
  }
  return ScopedHandle(handle);
}

}  // namespace

// Wine hands back no process handle for a Linux program, so there is nothing to keep.
class SimulatorProcess::Child {};

void SimulatorProcess::ChildDeleter::operator()(Child* child) const { delete child; }

std::string SimulatorProcess::MakeScratchDirectory() {
  std::random_device entropy;
  std::mt19937_64 random((static_cast<std::uint64_t>(entropy()) << 32) ^ GetTickCount64() ^ GetCurrentProcessId());
  for (int attempt = 0; attempt < 100; ++attempt) {
    std::string path = "/tmp/vq-simulator-" + std::to_string(random());
    if (CreateDirectoryA(LocalPath(path).c_str(), nullptr)) return path;
  }
  throw std::runtime_error("cannot create a scratch directory under Z:\\tmp");
}

std::string SimulatorProcess::LocalPath(const std::string& simulator_path) {
  std::string local = "Z:";
  for (char c : simulator_path) local += c == '/' ? '\\' : c;
  return local;
}

std::unique_ptr<SimulatorProcess::Child, SimulatorProcess::ChildDeleter> SimulatorProcess::Launch(
    const std::string& program, const std::vector<std::string>& arguments, const std::string& output_path) {
  std::string command_line = QuoteArgument(program);
  for (const std::string& argument : arguments) command_line.append(" ").append(QuoteArgument(argument));

  ScopedHandle input = OpenInheritable("NUL", GENERIC_READ, OPEN_EXISTING);
  ScopedHandle output = OpenInheritable(LocalPath(output_path), GENERIC_WRITE, CREATE_ALWAYS);
  STARTUPINFOA startup{};
  startup.cb = sizeof(startup);
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = input.get();
  startup.hStdOutput = output.get();
  startup.hStdError = output.get();
  PROCESS_INFORMATION process{};
  // Wine runs a Linux program named by its Unix path natively, handing it the
  // arguments as they are; the simulator then opens our files by their Unix paths.
  if (!CreateProcessA(program.c_str(), command_line.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr, &startup,
                      &process)) {
    throw std::runtime_error("cannot start " + program + " (error " + std::to_string(GetLastError()) + ")");
  }
  ScopedHandle process_handle(process.hProcess);
  ScopedHandle thread_handle(process.hThread);
  return std::unique_ptr<Child, ChildDeleter>(new Child);
}

bool SimulatorProcess::CanWaitForExit() { return false; }

std::optional<int> SimulatorProcess::WaitForExit(Child&, std::chrono::milliseconds) { return std::nullopt; }

void SimulatorProcess::Kill(Child&) {}

}  // namespace vq::testing
