#pragma once

#include <array>
#include <functional>
#include <string>

namespace vq {

inline constexpr double kVoltageGaugeMax = 280;
inline constexpr double kLoadGaugeMax = 100;
inline constexpr double kBattery12VoltMin = 10;
inline constexpr double kBattery12VoltMax = 12.5;
inline constexpr double kBattery24VoltMin = 20;
inline constexpr double kBattery24VoltMax = 25;
inline constexpr int kLampCount = 7;
inline constexpr int kLowestBatteryLevel = 2;
inline constexpr int kHighestBatteryLevel = 5;
inline constexpr char kShowUpsDataFailurePrefix[] = "(1547): ";

// A progress gauge: it holds a value clamped to its range at the moment it is set,
// and shows what it holds clamped to its range now, which the battery scale moves.
class Gauge {
 public:
  Gauge(double min, double max) : min_(min), max_(max) {}

  void Set(double value) { held_ = Clamp(value); }
  void SetRange(double min, double max) {
    min_ = min;
    max_ = max;
  }
  double Position() const { return Clamp(held_); }
  double Min() const { return min_; }
  double Max() const { return max_; }

 private:
  double Clamp(double value) const { return value < min_ ? min_ : value > max_ ? max_ : value; }

  double min_;
  double max_;
  double held_ = 0;
};

// The caption beside lamp STAT`number` (1 to 7), as the window labels it.
const char* LampCaption(int number);

enum class BatteryScale { k12Volt, k24Volt };

// Which picture of the power path shows: the still "BEGIMG", or the animations
// "OKIMG" (mains) and "AVRIMG" (battery).
enum class PictureState { kNone, kMains, kBattery };

// Everything the desktop window shows of the UPS, decoded from the "DATA" records:
// the seven gauges named after the window's controls, the lamps STAT1 to STAT7,
// the battery scale, the tray icon's battery image, the picture and its animation.
// The window only draws this model, so what it shows is tested without it.
class UpsDisplayModel {
 public:
  using WriteLogFunction = std::function<void(const std::string& message)>;

  // `on_utility_failure_ended` runs when the lamp STAT7 goes out after it was lit,
  // before the lamp is put out; the window puts its interface caption back.
  UpsDisplayModel(WriteLogFunction write_log, std::function<void()> on_utility_failure_ended);

  // Applies one "DATA" reply text. An empty record, the last record again, or a
  // status word (field 7) that is not eight characters long changes nothing; the
  // result is false then. A failure while applying is logged with "(1547): ".
  bool ShowUpsData(const std::string& record, bool window_visible);

  // The no-data state after a lost connection: gauges at 0 (the battery gauges at
  // the bottom of their scale), lamps out, the still picture without animation.
  // The battery scale, the tray image and the last record stay.
  void ClearUpsData();

  // Hiding and showing the window, and a language switch, turn the animation too.
  void SetAnimating(bool on) { animating_ = on; }

  const Gauge& pbIU() const { return pbIU_; }
  const Gauge& pbOU() const { return pbOU_; }
  const Gauge& pgBattary() const { return pgBattary_; }
  const Gauge& pgUInput() const { return pgUInput_; }
  const Gauge& pgUOutput() const { return pgUOutput_; }
  const Gauge& pbLoad() const { return pbLoad_; }
  const Gauge& pbBU() const { return pbBU_; }

  // Whether lamp STAT`number` (1 to 7) is lit.
  bool Lamp(int number) const { return lamps_.at(number - 1); }
  BatteryScale Scale() const { return scale_; }
  // The tray icon's battery image: 2 (empty) to 5 (full).
  int BatteryLevel() const { return battery_level_; }
  PictureState Picture() const { return picture_; }
  bool Animating() const { return animating_; }
  const std::string& LastRecord() const { return last_record_; }

 private:
  void Apply(const std::string& record, const std::string& status, bool window_visible);
  void ApplyBattery(double volts);
  void SetLamps(const std::string& status);

  WriteLogFunction write_log_;
  std::function<void()> on_utility_failure_ended_;

  Gauge pbIU_{0, kVoltageGaugeMax};
  Gauge pbOU_{0, kVoltageGaugeMax};
  Gauge pgBattary_{kBattery12VoltMin, kBattery12VoltMax};
  Gauge pgUInput_{0, kVoltageGaugeMax};
  Gauge pgUOutput_{0, kVoltageGaugeMax};
  Gauge pbLoad_{0, kLoadGaugeMax};
  Gauge pbBU_{kBattery12VoltMin, kBattery12VoltMax};
  std::array<bool, kLampCount> lamps_{};
  BatteryScale scale_ = BatteryScale::k12Volt;
  int battery_level_ = kLowestBatteryLevel;
  PictureState picture_ = PictureState::kNone;
  bool animating_ = false;
  std::string last_record_;
};

}  // namespace vq
