#include "network/run_number.hpp"

#include <algorithm>
#include <charconv>

#include "network/exceptions.hpp"
#include "network/utils.hpp"

namespace vantorb {

void RunNumber::Assign(const Number& number) {
  AssignRuns(number);
  plain_ = false;
  Settle();
}

void RunNumber::Assign(RunValue<std::uint64_t> value) {
  runs_ = std::move(value);
  plain_ = false;
  flat_.Clear();
  Settle();
}

void RunNumber::CopyRuns(RunValue<std::uint64_t>& out) const {
  if (!plain_) {
    out = runs_;
    return;
  }
  out.sign = flat_.Sign();
  out.integerPart = flat_.IntegerPart();
  out.limbCount = flat_.Limbs().size();
  out.runs.clear();
  ForEachRun([&out](std::uint32_t value, std::uint64_t count) { out.runs.push_back({value, count}); });
}

void RunNumber::AssignRuns(const Number& number) {
  plain_ = false;
  runs_.sign = number.Sign();
  runs_.integerPart = number.IntegerPart();
  auto& runs = runs_.runs;
  runs.clear();
  for (auto limb : number.Limbs()) {
    const auto value = static_cast<std::uint32_t>(limb.value);
    if (!runs.empty() && runs.back().value == value) {
      ++runs.back().count;
    } else {
      runs.push_back({value, 1});
    }
  }
  runs_.limbCount = number.Limbs().size();
}

Number RunNumber::ToNumber() const {
  Number number;
  ToNumber(number);
  return number;
}

void RunNumber::ToNumber(Number& out) const {
  if (plain_) {
    out = flat_;
    return;
  }
  ToNumberFromRuns(out);
}

void RunNumber::MoveInto(Number& out) {
  if (plain_) {
    std::swap(flat_, out);
  } else {
    ToNumberFromRuns(out);
    DropRuns();
  }
  flat_.Clear();
}

void RunNumber::ToNumberFromRuns(Number& out) const {
  out.ResetParts(runs_.sign, runs_.integerPart);
  for (const auto& run : runs_.runs)
    out.AppendLimbs(Number_Node{static_cast<std::int32_t>(run.value)}, run.count);
}

double RunNumber::ToDouble() const {
  // The nearest double to the text, read from as much of it as rounding
  // needs: after the first digit that is not 0, 800 digits hold every
  // midpoint between two doubles (767 significant digits at most), and a
  // final 1 stands for any later digit that is not 0, so that a value just
  // above a midpoint still rounds up. A fraction whose first 42 limbs are
  // 0 is below half the least double.
  constexpr std::uint64_t kLimbsKept = 100, kZeroLimbsBelowEveryDouble = 42;
  std::string text;
  if (Sign() < 0) text += '-';
  text += std::to_string(IntegerPart());
  text += '.';
  bool started = IntegerPart() != 0, tiny = false, sticky = false;
  std::uint64_t zeros = 0, left = kLimbsKept;
  char digits[Number::kLimbDigits];
  ForEachRun([&](std::uint32_t limb, std::uint64_t count) {
    if (!started && limb == 0) {
      zeros += count;
      tiny = zeros > kZeroLimbsBelowEveryDouble;
      if (!tiny) text.append(count * Number::kLimbDigits, '0');
      return !tiny;
    }
    started = true;
    if (left == 0 || count > left) {
      sticky = limb != 0;
      if (left == 0) return !sticky;
      count = left;
    }
    for (int i = Number::kLimbDigits - 1; i >= 0; --i, limb /= 10) digits[i] = '0' + limb % 10;
    for (std::uint64_t k = 0; k < count; ++k) text.append(digits, Number::kLimbDigits);
    left -= count;
    return !sticky;
  });
  if (tiny) return 0.0;
  if (sticky) text += '1';
  double value = 0;
  std::from_chars(text.data(), text.data() + text.size(), value);
  return value;
}

std::string RunNumber::ToText() const {
  if (plain_) return flat_.ToText();
  std::string text;
  if (runs_.sign < 0) text += '-';
  text += std::to_string(runs_.integerPart);
  text += decimalSeparator;
  if (runs_.runs.empty()) return text += '0';
  text.reserve(text.size() + runs_.limbCount * Number::kLimbDigits);
  for (const auto& run : runs_.runs) {
    char group[Number::kLimbDigits];
    std::uint32_t v = run.value;
    for (int i = Number::kLimbDigits - 1; i >= 0; --i, v /= 10) group[i] = '0' + v % 10;
    for (std::uint64_t k = 0; k < run.count; ++k) text.append(group, Number::kLimbDigits);
  }
  return text;
}

bool RunNumber::LessInMagnitude(const RunNumber& a, const RunNumber& b) {
  if (a.plain_ || b.plain_) {
    Number x, y;
    a.ToNumber(x);
    b.ToNumber(y);
    return Number::LessInMagnitude(x, y);
  }
  return RunsLessInMagnitude(a.runs_, b.runs_);
}

void RunNumber::AddMixed(const RunNumber& other, bool negate) {
  if (!plain_ && !other.plain_) {
    RunsAddSigned(runs_, other.runs_, negate);
  } else if (plain_ && other.plain_) {
    flat_.AddSigned(other.flat_, negate);
  } else if (plain_) {
    if (other.runs_.limbCount > flat_.Limbs().size()) {
      MakeRuns();
      RunsAddSigned(runs_, other.runs_, negate);
    } else {
      thread_local Number expanded;
      other.ToNumberFromRuns(expanded);
      flat_.AddSigned(expanded, negate);
    }
  } else {
    AddPlain(other.flat_, negate);
  }
}

void RunNumber::AddPlain(const Number& other, bool negate) {
  if (plain_) {
    flat_.AddSigned(other, negate);
  } else if (other.Limbs().size() > runs_.limbCount) {
    MakePlain();
    flat_.AddSigned(other, negate);
  } else {
    thread_local RunNumber compressed;
    compressed.AssignRuns(other);
    RunsAddSigned(runs_, compressed.runs_, negate);
  }
}

void RunNumber::AssignProductMixed(const RunNumber& source,
                                   const Number::WeightParts& weight) {
  if (source.plain_) {
    if (this == &source) {
      flat_.MultiplyByParts(weight);
    } else {
      plain_ = true;
      flat_.AssignProduct(source.flat_, weight);
    }
    return;
  }
  // The form changes only once the product is made: a product that
  // overflows leaves this number as it was, in its own form.
  try {
    RunsAssignProduct(runs_, source.runs_, weight);
  } catch (...) {
    if (plain_) DropRuns();
    throw;
  }
  plain_ = false;
}

void RunNumber::SaturateRuns() {
  if (runs_.sign > 0 && runs_.integerPart == 0) return;
  // The numbers Number::Saturate gives, short enough to be held as limbs.
  const bool negative = runs_.sign < 0;
  DropRuns();
  flat_.ResetParts(1, negative ? 0 : 1);
  flat_.AppendLimbs(Number_Node{0}, 1);
}

void RunNumber::MakePlain() {
  if (plain_) return;
  ToNumberFromRuns(flat_);
  DropRuns();
}

void RunNumber::DropRuns() {
  plain_ = true;
  runs_.runs.clear();
  runs_.limbCount = 0;
}

void RunNumber::MakeRuns() {
  if (!plain_) return;
  AssignRuns(flat_);
  plain_ = false;
  flat_.Clear();
}

void RunNumber::UsePlainForm(bool plain) {
  if (plain) {
    MakePlain();
  } else {
    MakeRuns();
  }
}

void RunNumber::SettleForm() {
  if (!plain_) {
    if (runs_.limbCount < kShortValue || runs_.runs.size() * 8 > runs_.limbCount) MakePlain();
    return;
  }
  if (HeldAsRuns(flat_)) MakeRuns();
}

bool RunNumber::FewRuns(const Number& number) {
  const auto& limbs = number.Limbs();
  // Counting stops as soon as the runs are too many to pay.
  const std::size_t enough = limbs.size() / 16;
  std::size_t runs = 1;
  for (std::size_t i = 1; i < limbs.size(); ++i)
    if (limbs[i].value != limbs[i - 1].value && ++runs > enough) return false;
  return true;
}

std::size_t RunNumber::RunCount() const {
  if (!plain_) return runs_.runs.size();
  const auto& limbs = flat_.Limbs();
  std::size_t runs = 0;
  for (std::size_t i = 0; i < limbs.size(); ++i)
    if (i == 0 || limbs[i].value != limbs[i - 1].value) ++runs;
  return runs;
}

bool RunNumber::Equal(const RunNumber& a, const RunNumber& b) {
  if (!a.plain_ && !b.plain_) return RunsEqual(a.runs_, b.runs_);
  if (a.plain_ && b.plain_) return a.flat_ == b.flat_;
  const RunValue<std::uint64_t>& runs = a.plain_ ? b.runs_ : a.runs_;
  const Number& flat = a.plain_ ? a.flat_ : b.flat_;
  if (runs.sign != flat.Sign() || runs.integerPart != flat.IntegerPart() ||
      runs.limbCount != flat.Limbs().size())
    return false;
  std::size_t i = 0;
  for (const auto& run : runs.runs)
    for (std::uint64_t k = 0; k < run.count; ++k, ++i)
      if (static_cast<std::uint32_t>(flat.Limbs()[i].value) != run.value) return false;
  return true;
}

}  // namespace vantorb
