// Text helpers: the locale's separator, first-occurrence replacement and
// the strict decimal integer reader.

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>
#include <string>

#include "network/utils.hpp"

namespace vantorb {
namespace {

// Sets LC_ALL for one test; locales that need no installation only.
class LcAllScope {
 public:
  explicit LcAllScope(const char* value) {
    if (const char* old = std::getenv("LC_ALL")) saved_ = old;
    setenv("LC_ALL", value, 1);
  }
  ~LcAllScope() {
    if (saved_) setenv("LC_ALL", saved_->c_str(), 1); else unsetenv("LC_ALL");
  }

 private:
  std::optional<std::string> saved_;
};

TEST(ReadDecimalSeparator, FallsBackToPointWithoutAUsableLocale) {
  for (const char* locale : {"C", "POSIX", "no_SUCH.locale"}) {
    LcAllScope scope(locale);
    EXPECT_EQ(ReadDecimalSeparator(), ".") << locale;
  }
}

TEST(ReplaceFirst, ReplacesOnlyTheFirstOccurrence) {
  struct Case {
    const char *text, *find, *replacement, *result;
  };
  const Case cases[] = {
      {"-0,9", ",", ".", "-0.9"},  {"1,5,5", ",", ".", "1.5,5"},
      {"0.5", ",", ".", "0.5"},    {"", ",", ".", ""},
      {"0.5", ".", ",x", "0,5"},   {"0.5", "", ",", "0.5"},
      {"0.5", ".", "", "0.5"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ReplaceFirst(c.text, c.find, c.replacement), c.result) << c.text;
}

TEST(ParseDecimalInteger, AcceptsSignedDigitsInRangeOnly) {
  struct Case {
    const char* text;
    std::optional<std::int64_t> value;
  };
  const Case cases[] = {
      {"0", 0},          {"42", 42},          {"-7", -7},      {"+7", 7},
      {"007", 7},        {"", std::nullopt},  {"-", std::nullopt},
      {"+", std::nullopt}, {"+-1", std::nullopt}, {"1.5", std::nullopt},
      {" 1", std::nullopt}, {"1 ", std::nullopt}, {"0x10", std::nullopt},
      {"2147483647", 2147483647}, {"2147483648", std::nullopt},
      {"-2147483648", -2147483648LL}, {"99999999999999999999", std::nullopt},
  };
  for (const auto& c : cases)
    EXPECT_EQ(ParseDecimalInteger(c.text, INT32_MIN, INT32_MAX), c.value) << c.text;
}

}  // namespace
}  // namespace vantorb
