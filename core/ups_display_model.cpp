#include "core/ups_display_model.h"

#include <cmath>
#include <exception>
#include <utility>

#include "core/command_client.h"
#include "core/ups_data.h"

namespace vq {
namespace {

constexpr char kFieldSeparator = ' ';
constexpr std::size_t kStatusWordLength = 8;

// Fields of the record and positions of its status word.
enum Field : std::size_t { kInputVoltage = 0, kOutputVoltage = 2, kLoad = 3, kBatteryVoltage = 5, kStatusWord = 7 };
constexpr std::size_t kUtilityFail = 0;
constexpr std::size_t kLineInteractive = 4;
constexpr std::size_t kTestInProgress = 5;

// Sets `gauge` from a field that is a number text; other fields leave it as it is.
bool SetFromField(Gauge& gauge, const std::string& field) {
  if (!IsNumberText(field)) return false;
  gauge.Set(NumberTextToFloat(field));
  return true;
}

}  // namespace

UpsDisplayModel::UpsDisplayModel(WriteLogFunction write_log, std::function<void()> on_utility_failure_ended)
    : write_log_(std::move(write_log)), on_utility_failure_ended_(std::move(on_utility_failure_ended)) {}

bool UpsDisplayModel::ShowUpsData(const std::string& record, bool window_visible) {
  const std::string trimmed = TrimControlAndSpace(record);
  if (trimmed.empty() || trimmed == last_record_) return false;
  const std::string status = TrimControlAndSpace(ExtractField(trimmed, kStatusWord, kFieldSeparator));
  if (status.size() != kStatusWordLength) return false;
  try {
    last_record_ = trimmed;
    Apply(trimmed, status, window_visible);
  } catch (const std::exception& failure) {
    // What was set before the failure stays set, and the record counts as applied.
    if (write_log_) write_log_(kShowUpsDataFailurePrefix + std::string(failure.what()));
  }
  return true;
}

void UpsDisplayModel::Apply(const std::string& record, const std::string& status, bool window_visible) {
  auto field = [&record](Field index) { return ExtractField(record, index, kFieldSeparator); };
  const std::string input = field(kInputVoltage);
  const std::string output = field(kOutputVoltage);

  // While a test runs on mains, an input voltage equal to the output voltage does
  // not move the input gauges: they keep the reading from before the test.
  const bool test_echoes_output = status[kTestInProgress] != '0' && input == output && status[kUtilityFail] != '1';
  if (!test_echoes_output && SetFromField(pbIU_, input)) pgUInput_.Set(pbIU_.Position());
  if (SetFromField(pbOU_, output)) pgUOutput_.Set(pbOU_.Position());
  SetFromField(pbLoad_, field(kLoad));

  // A record without a battery number leaves the tray image alone: the gauge's
  // clamped position would misstate the voltage.
  const std::string battery = field(kBatteryVoltage);
  if (IsNumberText(battery)) ApplyBattery(NumberTextToFloat(battery));

  SetLamps(status);
  if (window_visible) animating_ = true;

  if (status[kUtilityFail] == '1' || status[kTestInProgress] == '1') {
    picture_ = PictureState::kBattery;
  } else if (status[kUtilityFail] == '0' && status[kTestInProgress] == '0') {
    picture_ = PictureState::kMains;
  }
}

void UpsDisplayModel::ApplyBattery(double volts) {
  pbBU_.Set(volts);
  pgBattary_.Set(pbBU_.Position());
  // The scale switches after the gauges were set: a record shows on the scale
  // that was in force when it arrived. From 14 to 20 V either scale stays.
  if (volts > 20 && scale_ == BatteryScale::k12Volt) {
    scale_ = BatteryScale::k24Volt;
    pbBU_.SetRange(kBattery24VoltMin, kBattery24VoltMax);
    pgBattary_.SetRange(kBattery24VoltMin, kBattery24VoltMax);
  } else if (volts < 14 && scale_ == BatteryScale::k24Volt) {
    scale_ = BatteryScale::k12Volt;
    pbBU_.SetRange(kBattery12VoltMin, kBattery12VoltMax);
    pgBattary_.SetRange(kBattery12VoltMin, kBattery12VoltMax);
  }

  // One image per volt above the scale's lower end on the 12 V scale, per two volts
  // on the 24 V scale, rounded at the half volt; the images stop at 5.
  const double min = pbBU_.Min();
  const double step = scale_ == BatteryScale::k12Volt ? 1 : 2;
  const double steps = min > volts ? 0 : std::trunc((volts + 0.5 - min) / step);
  battery_level_ = kLowestBatteryLevel + static_cast<int>(std::fmin(steps, kHighestBatteryLevel - kLowestBatteryLevel));
}

const char* LampCaption(int number) {
  static constexpr const char* kCaptions[kLampCount] = {
      "Shutdown Active", "Test in Progress", "UPS Type is Line-Interactive", "UPS Failed",
      "AVR Active",      "Battery Low",      "Utility Fail ( Immediate )",
  };
  return kCaptions[number - 1];
}

void UpsDisplayModel::SetLamps(const std::string& status) {
  // Position p of the status word drives lamp STAT(7 - p); position 4 is on at "0".
  for (std::size_t position = 0; position < kLampCount; ++position) {
    const bool on = status[position] == (position == kLineInteractive ? '0' : '1');
    bool& lit = lamps_[kLampCount - 1 - position];
    if (position == kUtilityFail && !on && lit && on_utility_failure_ended_) on_utility_failure_ended_();
    lit = on;
  }
}

void UpsDisplayModel::ClearUpsData() {
  for (Gauge* gauge : {&pbLoad_, &pgBattary_, &pbBU_, &pbIU_, &pbOU_, &pgUInput_, &pgUOutput_}) gauge->Set(0);
  lamps_.fill(false);
  animating_ = false;
  picture_ = PictureState::kNone;
}

}  // namespace vq
