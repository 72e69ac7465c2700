#include "core/ups_data.h"

#include <gtest/gtest.h>

#include <clocale>
#include <string>

namespace vq {
namespace {

TEST(UpsDataTest, ExtractField) {
  struct Case {
    const char* text;
    std::size_t index;
    const char* field;
  };
  const Case kCases[] = {
      {"a b", 0, "a"},  {"a b", 1, "b"}, {"a b", 2, ""},    {"a  b", 1, ""},
      {"a  b", 2, "b"}, {"", 0, ""},     {"", 3, ""},       {" a", 0, ""},
      {" a", 1, "a"},   {"a b ", 2, ""}, {"abc", 0, "abc"}, {"0 1 2 3 4 5 6 7 8", 7, "7"},
  };
  for (const Case& c : kCases) {
    EXPECT_EQ(ExtractField(c.text, c.index, ' '), c.field) << '"' << c.text << "\" field " << c.index;
  }
}

TEST(UpsDataTest, IsNumberText) {
  struct Case {
    const char* text;
    bool number;
  };
  const Case kCases[] = {
      {"", true},    {"230", true},   {"230.5", true}, {"230,5", true}, {"1.2.3", true}, {".", true},
      {"-5", false}, {"230V", false}, {"+5", false},   {" 230", false}, {"2e3", false},  {"23\t", false},
  };
  for (const Case& c : kCases) EXPECT_EQ(IsNumberText(c.text), c.number) << '"' << c.text << '"';
}

struct NumberCase {
  const char* text;
  double value;
};
const NumberCase kNumberCases[] = {
    {"230.5", 230.5}, {"230,5", 230.5},     {"", 0},      {".", 0},         {",", 0},
    {"1.2.3", 0},     {"1,000.5", 0},       {"-5", -5},   {"-5,25", -5.25}, {"-", 0},
    {"5-", 0},        {",5", 0.5},          {"12.", 12},  {"007", 7},       {" 230.5 ", 230.5},
    {"2 30", 230},    {"\t12,5\r\n", 12.5}, {"12a3", 12}, {"+5", 0},        {"13.2", 13.2},
};

void ExpectNumberTable() {
  for (const NumberCase& c : kNumberCases) EXPECT_DOUBLE_EQ(NumberTextToFloat(c.text), c.value) << '"' << c.text << '"';
}

TEST(UpsDataTest, NumberTextToFloat) { ExpectNumberTable(); }

// Under a locale whose decimal mark is a comma, the values are the same.
TEST(UpsDataTest, NumberTextToFloatIgnoresTheProcessLocale) {
  const char* kGermanLocales[] = {"de_DE.UTF-8", "de_DE.utf8", "German_Germany.1252", "de-DE"};
  const char* active = nullptr;
  for (const char* name : kGermanLocales) {
    if (std::setlocale(LC_ALL, name)) {
      active = name;
      break;
    }
  }
  if (!active) GTEST_SKIP() << "no German locale is installed";
  struct CLocaleAtEnd {
    ~CLocaleAtEnd() { std::setlocale(LC_ALL, "C"); }
  } restore;
  ASSERT_STREQ(std::localeconv()->decimal_point, ",") << active;
  ExpectNumberTable();
}

}  // namespace
}  // namespace vq
