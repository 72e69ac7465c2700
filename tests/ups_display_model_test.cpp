#include "core/ups_display_model.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

namespace vq {
namespace {

// One "DATA" record: input, output, load, battery and status word in fields 0, 2,
// 3, 5 and 7; the unused fields carry "0".
std::string Record(const std::string& input,
                   const std::string& output,
                   const std::string& load,
                   const std::string& battery,
                   const std::string& status) {
  return input + " 0 " + output + " " + load + " 0 " + battery + " 0 " + status;
}

// A record on mains whose battery voltage is `battery`; `load` keeps records apart.
std::string BatteryRecord(const std::string& battery, int load = 40) {
  return Record("230", "230", std::to_string(load), battery, "00001000");
}

std::set<int> LitLamps(const UpsDisplayModel& model) {
  std::set<int> lit;
  for (int number = 1; number <= kLampCount; ++number) {
    if (model.Lamp(number)) lit.insert(number);
  }
  return lit;
}

// Everything the window would draw, in one comparable text.
std::string Describe(const UpsDisplayModel& model) {
  std::ostringstream text;
  for (const Gauge* gauge : {&model.pbIU(), &model.pgUInput(), &model.pbOU(), &model.pgUOutput(), &model.pbLoad(),
                             &model.pbBU(), &model.pgBattary()}) {
    text << gauge->Position() << " [" << gauge->Min() << ".." << gauge->Max() << "] ";
  }
  text << "lamps";
  for (int number : LitLamps(model)) text << " " << number;
  text << " scale " << static_cast<int>(model.Scale()) << " level " << model.BatteryLevel() << " picture "
       << static_cast<int>(model.Picture()) << " animating " << model.Animating() << " last '" << model.LastRecord()
       << "'";
  return text.str();
}

class UpsDisplayModelTest : public ::testing::Test {
 protected:
  std::vector<std::string> log_;
  int failures_ended_ = 0;
  UpsDisplayModel model_{[this](const std::string& line) { log_.push_back(line); }, [this] { ++failures_ended_; }};
};

TEST_F(UpsDisplayModelTest, StartsWithNoData) {
  EXPECT_EQ(model_.pbBU().Position(), 10);
  EXPECT_EQ(model_.pgBattary().Position(), 10);
  EXPECT_EQ(model_.pbIU().Position(), 0);
  EXPECT_EQ(model_.BatteryLevel(), 2);
  EXPECT_EQ(model_.Picture(), PictureState::kNone);
  EXPECT_TRUE(LitLamps(model_).empty());
}

TEST_F(UpsDisplayModelTest, StatusWordLightsLampsAndPicksThePicture) {
  struct Case {
    const char* status;
    std::set<int> lamps;
    PictureState picture;  // from the start state, none
  };
  const Case kCases[] = {
      {"00001000", {}, PictureState::kMains},
      {"10000000", {7, 3}, PictureState::kBattery},
      {"00000100", {3, 2}, PictureState::kBattery},
      {"01110010", {6, 5, 4, 3, 1}, PictureState::kMains},
      {"11111111", {7, 6, 5, 4, 2, 1}, PictureState::kBattery},
      {"00000000", {3}, PictureState::kMains},
      {"0000x000", {}, PictureState::kMains},
      {"x0000000", {3}, PictureState::kNone},
      {"00000x00", {3}, PictureState::kNone},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(c.status);
    UpsDisplayModel model(nullptr, nullptr);
    EXPECT_TRUE(model.ShowUpsData(Record("230", "230", "40", "13.2", c.status), true));
    EXPECT_EQ(LitLamps(model), c.lamps);
    EXPECT_EQ(model.Picture(), c.picture);
  }
}

TEST_F(UpsDisplayModelTest, UndecidedStatusKeepsThePicture) {
  model_.ShowUpsData(Record("230", "230", "40", "13.2", "10001000"), true);
  model_.ShowUpsData(Record("230", "230", "40", "13.2", "00000x00"), true);
  EXPECT_EQ(model_.Picture(), PictureState::kBattery);
  model_.ShowUpsData(Record("230", "230", "40", "13.2", "00001000"), true);
  model_.ShowUpsData(Record("230", "230", "40", "13.2", "x0001000"), true);
  EXPECT_EQ(model_.Picture(), PictureState::kMains);
}

TEST_F(UpsDisplayModelTest, RecordsThatChangeNothingAtAll) {
  const std::string kIgnored[] = {
      Record("100", "110", "90", "11", "0000100"),    // 7-character status word
      Record("100", "110", "90", "11", "000010000"),  // 9-character status word
      "100 0 110 90 0 11 0",                          // seven fields
      "100 0 110 90 0 11 0 ",                         // the trailing space is trimmed: still seven
      "",
      " \r\n",
  };
  model_.ShowUpsData(Record("230", "231", "40", "13.2", "10001000"), false);
  const std::string before = Describe(model_);
  for (const std::string& record : kIgnored) {
    SCOPED_TRACE(record);
    EXPECT_FALSE(model_.ShowUpsData(record, true));
    EXPECT_EQ(Describe(model_), before);
  }
  EXPECT_TRUE(log_.empty());
}

TEST_F(UpsDisplayModelTest, FieldsAfterTheStatusWordAreIgnored) {
  EXPECT_TRUE(model_.ShowUpsData(Record("230", "231", "40", "13.2", "10001000") + " extra fields", true));
  EXPECT_EQ(LitLamps(model_), (std::set<int>{7}));
}

TEST_F(UpsDisplayModelTest, SameRecordTwiceIsAppliedOnce) {
  const std::string record = Record("230", "231", "40", "13.2", "00001000");
  EXPECT_TRUE(model_.ShowUpsData(record, true));
  model_.SetAnimating(false);
  EXPECT_FALSE(model_.ShowUpsData(" " + record + "\r\n", true)) << "equal once trimmed";
  EXPECT_FALSE(model_.Animating());
}

TEST_F(UpsDisplayModelTest, ClearedDisplayWaitsForADifferentRecord) {
  const std::string record = Record("230", "231", "40", "27.4", "10000100");
  model_.ShowUpsData(record, true);
  model_.ClearUpsData();
  const std::string cleared = Describe(model_);
  EXPECT_EQ(cleared,
            "0 [0..280] 0 [0..280] 0 [0..280] 0 [0..280] 0 [0..100] 20 [20..25] 20 [20..25] lamps scale 1 level 5 "
            "picture 0 animating 0 last '" +
                record + "'")
      << "battery gauges at the bottom of the scale kept; tray image and last record kept";

  EXPECT_FALSE(model_.ShowUpsData(record, true));
  EXPECT_EQ(Describe(model_), cleared);
  EXPECT_TRUE(model_.ShowUpsData(Record("230", "231", "41", "27.4", "10000100"), true));
  EXPECT_EQ(model_.pbLoad().Position(), 41);
  EXPECT_EQ(model_.pbIU().Position(), 230);
}

TEST_F(UpsDisplayModelTest, HighBatteryVoltageSwitchesTheScaleAfterSettingTheGauges) {
  model_.ShowUpsData(BatteryRecord("27.4"), true);
  // Set to 12.5 (the top of the 12 V scale), then shown at the bottom of the 24 V scale.
  EXPECT_EQ(model_.Scale(), BatteryScale::k24Volt);
  for (const Gauge* gauge : {&model_.pbBU(), &model_.pgBattary()}) {
    EXPECT_EQ(gauge->Min(), 20);
    EXPECT_EQ(gauge->Max(), 25);
    EXPECT_EQ(gauge->Position(), 20);
  }
  EXPECT_EQ(model_.BatteryLevel(), 5);

  model_.ShowUpsData(BatteryRecord("27.4", 41), true);
  EXPECT_EQ(model_.pbBU().Position(), 25) << "27.4 held at the top of the 24 V scale";
  EXPECT_EQ(model_.pgBattary().Position(), 25);
  EXPECT_EQ(model_.BatteryLevel(), 5);

  model_.ShowUpsData(BatteryRecord("12.2", 42), true);
  EXPECT_EQ(model_.Scale(), BatteryScale::k12Volt);
  EXPECT_EQ(model_.pbBU().Position(), 12.5) << "held 20, shown clamped to the 12 V scale";
}

TEST_F(UpsDisplayModelTest, VoltagesFrom14To20LeaveEitherScale) {
  struct Case {
    bool from_24_volt;
    const char* battery;
    BatteryScale scale;
  };
  const Case kCases[] = {
      {false, "13.9", BatteryScale::k12Volt}, {false, "14", BatteryScale::k12Volt},
      {false, "20", BatteryScale::k12Volt},   {false, "20.1", BatteryScale::k24Volt},
      {true, "20.1", BatteryScale::k24Volt},  {true, "20", BatteryScale::k24Volt},
      {true, "14", BatteryScale::k24Volt},    {true, "13.9", BatteryScale::k12Volt},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.from_24_volt ? "24 V scale, " : "12 V scale, ") + c.battery);
    UpsDisplayModel model(nullptr, nullptr);
    if (c.from_24_volt) model.ShowUpsData(BatteryRecord("27.4", 1), true);
    model.ShowUpsData(BatteryRecord(c.battery, 2), true);
    EXPECT_EQ(model.Scale(), c.scale);
  }
}

TEST_F(UpsDisplayModelTest, BatteryLevelOnEachScale) {
  struct Case {
    bool on_24_volt;
    const char* battery;
    int level;
  };
  const Case kCases[] = {
      {false, "9.9", 2},
      {false, "10", 2},
      {false, "10.4", 2},
      {false, "10.5", 3},
      {false, "11.4", 3},
      {false, "11.5", 4},
      {false, "12.4", 4},
      {false, "12.5", 5},
      {false, "20", 5},
      {true, "14", 2},
      {true, "21.4", 2},
      {true, "21.5", 3},
      {true, "23.4", 3},
      {true, "23.5", 4},
      {true, "25.4", 4},
      {true, "25.5", 5},
      {true, "99999999999999999999999", 5},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.on_24_volt ? "24 V scale, " : "12 V scale, ") + c.battery);
    UpsDisplayModel model(nullptr, nullptr);
    if (c.on_24_volt) model.ShowUpsData(BatteryRecord("27.4", 1), true);
    model.ShowUpsData(BatteryRecord(c.battery, 2), true);
    EXPECT_EQ(model.BatteryLevel(), c.level);
  }
}

TEST_F(UpsDisplayModelTest, RecordWithoutBatteryNumberLeavesBatteryAndTrayImage) {
  model_.ShowUpsData(BatteryRecord("11.7", 1), true);
  model_.ShowUpsData(BatteryRecord("-5", 2), true);
  EXPECT_EQ(model_.BatteryLevel(), 4);
  EXPECT_DOUBLE_EQ(model_.pbBU().Position(), 11.7);
  EXPECT_EQ(model_.pbLoad().Position(), 2);
}

TEST_F(UpsDisplayModelTest, FieldsThatAreNotNumberTextsAreSkipped) {
  for (const char* input : {"-5", "230V", "+5"}) {
    SCOPED_TRACE(input);
    UpsDisplayModel model(nullptr, nullptr);
    model.ShowUpsData(Record("220", "221", "40", "13.2", "00001000"), true);
    model.ShowUpsData(Record(input, "225", "40", "13.2", "00001000"), true);
    EXPECT_EQ(model.pbIU().Position(), 220);
    EXPECT_EQ(model.pgUInput().Position(), 220);
    EXPECT_EQ(model.pbOU().Position(), 225) << "the other fields still apply";
  }
}

TEST_F(UpsDisplayModelTest, EmptyLoadFieldSetsTheLoadToZero) {
  model_.ShowUpsData(Record("230", "230", "50", "13.2", "00001000"), true);
  model_.ShowUpsData("230 0 230  0 13.2 0 00001000", true);
  EXPECT_EQ(model_.pbLoad().Position(), 0);
}

TEST_F(UpsDisplayModelTest, AdvancedGaugesCopyTheClampedValue) {
  model_.ShowUpsData(Record("300", "281.5", "150", "13.2", "00001000"), true);
  EXPECT_EQ(model_.pbIU().Position(), 280);
  EXPECT_EQ(model_.pgUInput().Position(), 280);
  EXPECT_EQ(model_.pbOU().Position(), 280);
  EXPECT_EQ(model_.pgUOutput().Position(), 280);
  EXPECT_EQ(model_.pbLoad().Position(), 100);
  EXPECT_EQ(model_.pbBU().Position(), 12.5);
  EXPECT_EQ(model_.pgBattary().Position(), 12.5);
}

TEST_F(UpsDisplayModelTest, InputGaugesHoldDuringATestOnMains) {
  struct Case {
    const char* status;
    const char* input;
    const char* output;
    double shown_input;
  };
  const Case kCases[] = {
      {"00000100", "230", "230", 200},  // test in progress, input equals output: held
      {"00000100", "231", "230", 231},  // the texts differ
      {"00001000", "230", "230", 230},  // the test ended
      {"10000100", "230", "230", 230},  // utility failure during the test
      {"00000x00", "230", "230", 200},  // any position 5 other than "0" counts as a test
      {"00000100", "230.0", "230", 230},
  };
  for (const Case& c : kCases) {
    SCOPED_TRACE(std::string(c.status) + " " + c.input + "/" + c.output);
    UpsDisplayModel model(nullptr, nullptr);
    model.ShowUpsData(Record("200", "230", "40", "13.2", "00001000"), true);
    model.ShowUpsData(Record(c.input, c.output, "41", "13.2", c.status), true);
    EXPECT_EQ(model.pbIU().Position(), c.shown_input);
    EXPECT_EQ(model.pgUInput().Position(), c.shown_input);
    EXPECT_EQ(model.pbOU().Position(), 230);
  }
}

TEST_F(UpsDisplayModelTest, UtilityFailureEndsOnlyWhenItsLampWasLit) {
  struct Step {
    const char* status;
    bool clear_before;
    int events;  // so far
  };
  const Step kSteps[] = {
      {"00001000", false, 0}, {"10001000", false, 0}, {"10001000", false, 0},  // still lit
      {"00001000", false, 1}, {"00001000", false, 1},                          // kept out
      {"x0001000", false, 1}, {"10001000", false, 1}, {"00001000", true, 1},   // put out by ClearUpsData
      {"10001000", false, 1}, {"x0001000", false, 2},
  };
  int load = 0;
  for (const Step& step : kSteps) {
    SCOPED_TRACE(std::string(step.status) + " at load " + std::to_string(load));
    if (step.clear_before) model_.ClearUpsData();
    EXPECT_TRUE(model_.ShowUpsData(Record("230", "230", std::to_string(load++), "13.2", step.status), true));
    EXPECT_EQ(failures_ended_, step.events);
    EXPECT_EQ(model_.Lamp(7), step.status[0] == '1');
  }
}

TEST_F(UpsDisplayModelTest, FailureIsLoggedAndKeepsWhatWasSet) {
  UpsDisplayModel model([this](const std::string& line) { log_.push_back(line); },
                        [] { throw std::runtime_error("caption not set"); });
  model.ShowUpsData(Record("230", "230", "40", "13.2", "10001000"), false);
  const std::string record = Record("225", "226", "41", "12.2", "00001000");
  EXPECT_TRUE(model.ShowUpsData(record, true));
  EXPECT_EQ(log_, std::vector<std::string>{"(1547): caption not set"});
  EXPECT_EQ(model.LastRecord(), record);
  EXPECT_EQ(model.pbIU().Position(), 225);
  EXPECT_EQ(model.BatteryLevel(), 4);
  EXPECT_TRUE(model.Lamp(7)) << "the event comes before the lamp goes out";
  EXPECT_FALSE(model.Animating()) << "the steps after the failure did not run";
  EXPECT_FALSE(model.ShowUpsData(record, true));
  EXPECT_EQ(log_.size(), 1u);
}

TEST_F(UpsDisplayModelTest, AnimationStartsOnlyWhileTheWindowIsVisible) {
  model_.ShowUpsData(Record("230", "230", "40", "13.2", "00001000"), false);
  EXPECT_FALSE(model_.Animating());
  model_.ShowUpsData(Record("230", "230", "41", "13.2", "00001000"), true);
  EXPECT_TRUE(model_.Animating());
  model_.ShowUpsData(Record("230", "230", "42", "13.2", "00001000"), false);
  EXPECT_TRUE(model_.Animating()) << "a hidden window's record does not switch it off";
  model_.ClearUpsData();
  EXPECT_FALSE(model_.Animating());
}

}  // namespace
}  // namespace vq
