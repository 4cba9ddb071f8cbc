#pragma once
// RunNumber: the same exact decimal as Number, with the fraction kept as runs
// of equal limbs (limb value, how many), most significant first. Unary codes
// and everything a network derives from them are a few runs of very many
// limbs, and every operation here walks runs, not limbs: its cost follows
// the number of runs.
//
// Every operation gives, limb for limb, the number the Number operation of
// the same name gives on the expanded value, including Normalize's rounding
// of a trailing limb 99999999 and the sign of a zero; it throws
// NumberException where Number throws (the value is then valid but
// unspecified). Runs are kept maximal (neighbours differ, no empty run), so
// equal numbers have equal runs. Not thread-safe; distinct objects may be
// used from different threads.

#include <cstdint>
#include <string>
#include <vector>

#include "network/number.hpp"

namespace vantorb {

struct LimbRun {
  std::uint32_t value = 0;
  std::uint64_t count = 0;
  friend bool operator==(const LimbRun&, const LimbRun&) = default;
};

class RunNumber {
 public:
  // +0 with no limbs, as Number().
  RunNumber() = default;

  void Assign(const Number& number);
  // The expanded number; the second form reuses out's room.
  Number ToNumber() const;
  void ToNumber(Number& out) const;
  std::string ToText() const;

  void Clear();
  void Normalize();
  bool NormalizeStable() const;
  // this := source * weight, then Normalize (Number::AssignProduct).
  void AssignProduct(const RunNumber& source, const Number::WeightParts& weight);
  // this := this + other, or this - other when negate (Number::AddSigned).
  void AddSigned(const RunNumber& other, bool negate);
  void Add(const RunNumber& other) { AddSigned(other, false); }
  void Saturate();

  static bool LessInMagnitude(const RunNumber& a, const RunNumber& b);

  int Sign() const { return sign_; }
  std::int64_t IntegerPart() const { return integerPart_; }
  std::uint64_t LimbCount() const { return limbCount_; }
  const std::vector<LimbRun>& Runs() const { return runs_; }

  friend bool operator==(const RunNumber& a, const RunNumber& b) {
    return a.sign_ == b.sign_ && a.integerPart_ == b.integerPart_ &&
           a.limbCount_ == b.limbCount_ && a.runs_ == b.runs_;
  }

 private:
  void AddMagnitude(const RunNumber& other);
  void SubtractSmallerMagnitude(const RunNumber& smaller);
  void SubtractFromLargerMagnitude(const RunNumber& larger);

  std::int32_t sign_ = 1;
  std::int64_t integerPart_ = 0;
  std::uint64_t limbCount_ = 0;
  std::vector<LimbRun> runs_;
};

}  // namespace vantorb
