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
// equal numbers have equal runs.
//
// A value whose digits have few runs would cost more as runs than as limbs,
// so a RunNumber may also hold its value as a plain Number: Settle picks
// the form by how many limbs a run holds on average, and an operation on
// two forms works in the form of the longer operand, converting the shorter
// one, so that no operation costs more than a few passes over the limbs the
// plain form would pass over. The form never changes a value. Not
// thread-safe; distinct objects may be used from different threads.

#include <cstdint>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "network/number.hpp"
#include "network/run_arithmetic.hpp"

namespace vantorb {

using LimbRun = BasicLimbRun<std::uint64_t>;

class RunNumber {
 public:
  // +0 with no limbs, as Number(), held as limbs.
  RunNumber() = default;

  // The value of number, in the form Settle picks.
  void Assign(const Number& number);
  // The value given as runs (maximal, none empty), in the form Settle picks.
  void Assign(RunValue<std::uint64_t> value);
  // The value as runs, whatever its form.
  void CopyRuns(RunValue<std::uint64_t>& out) const;
  // f(limb value, count) for every run, most significant first; an f that
  // returns bool stops the walk by returning false.
  template <class F>
  void ForEachRun(F&& f) const {
    if (!plain_) {
      for (const auto& run : runs_.runs)
        if (!Visit(f, run.value, run.count)) return;
      return;
    }
    ForEachLimbRun(flat_, f);
  }
  // The same for a Number: its runs of equal limbs, counted as it is read.
  template <class F>
  static void ForEachLimbRun(const Number& number, F&& f) {
    const auto& limbs = number.Limbs();
    for (std::size_t i = 0; i < limbs.size();) {
      std::size_t j = i + 1;
      while (j < limbs.size() && limbs[j].value == limbs[i].value) ++j;
      if (!Visit(f, static_cast<std::uint32_t>(limbs[i].value), static_cast<std::uint64_t>(j - i)))
        return;
      i = j;
    }
  }
  // Picks the form: runs when a run holds sixteen limbs or more on
  // average, limbs when fewer than eight, and for short values, where runs
  // save nothing.
  void Settle() {
    if (plain_ && flat_.Limbs().size() < kShortValue) return;
    SettleForm();
  }
  // Whether Settle turns number, held as limbs, into runs: it is long and
  // its limbs fall into few runs. Stops counting as soon as the runs are
  // too many, so a short value or one without runs costs little.
  static bool HeldAsRuns(const Number& number) {
    return number.Limbs().size() >= kShortValue && FewRuns(number);
  }
  // Forces a form (for tests and measurements).
  void UsePlainForm(bool plain);
  bool PlainForm() const { return plain_; }
  // The runs the value has; counted when it is held as limbs.
  std::size_t RunCount() const;
  // The expanded number; the second form reuses out's room.
  Number ToNumber() const;
  void ToNumber(Number& out) const;
  // out := the value, which this number leaves as RunNumber() does; held as
  // limbs, the two exchange their limbs instead of copying them.
  void MoveInto(Number& out);
  std::string ToText() const;
  // Number::ToDouble of the same value, at a cost that does not follow its
  // length: the nearest double, 0 for a value below every double.
  double ToDouble() const;

  // +0 with no limbs, held as limbs.
  void Clear() {
    DropRuns();
    flat_.Clear();
  }
  void Normalize() {
    if (plain_) {
      flat_.Normalize();
      return;
    }
    NormalizeRuns();
  }
  bool NormalizeStable() const { return plain_ ? flat_.NormalizeStable() : RunsNormalizeStable(); }
  // this := source * weight, then Normalize (Number::AssignProduct).
  void AssignProduct(const RunNumber& source, const Number::WeightParts& weight) {
    if (source.plain_ && this != &source) {
      plain_ = true;
      flat_.AssignProduct(source.flat_, weight);
      return;
    }
    AssignProductMixed(source, weight);
  }
  // this := this + other, or this - other when negate (Number::AddSigned).
  void AddSigned(const RunNumber& other, bool negate) {
    if (plain_ && other.plain_) {
      flat_.AddSigned(other.flat_, negate);
      return;
    }
    AddMixed(other, negate);
  }
  void Add(const RunNumber& other) { AddSigned(other, false); }
  // The same with a plain Number as the other operand, as if it were held
  // by a RunNumber as limbs.
  void AddSigned(const Number& other, bool negate) {
    if (plain_) {
      flat_.AddSigned(other, negate);
      return;
    }
    AddPlain(other, negate);
  }
  void Saturate() {
    if (plain_) {
      flat_.Saturate();
      return;
    }
    SaturateRuns();
  }

  static bool LessInMagnitude(const RunNumber& a, const RunNumber& b);

  int Sign() const { return plain_ ? flat_.Sign() : runs_.sign; }
  std::int64_t IntegerPart() const { return plain_ ? flat_.IntegerPart() : runs_.integerPart; }
  std::uint64_t LimbCount() const { return plain_ ? flat_.Limbs().size() : runs_.limbCount; }

  // The same value, whatever the forms.
  friend bool operator==(const RunNumber& a, const RunNumber& b) {
    if (a.plain_ && b.plain_) return a.flat_ == b.flat_;
    return Equal(a, b);
  }
  friend void swap(RunNumber& a, RunNumber& b) noexcept {
    std::swap(a.flat_, b.flat_);
    if (a.plain_ && b.plain_) return;  // the runs are unused on both sides
    std::swap(a.runs_.sign, b.runs_.sign);
    std::swap(a.runs_.integerPart, b.runs_.integerPart);
    std::swap(a.runs_.limbCount, b.runs_.limbCount);
    a.runs_.runs.swap(b.runs_.runs);
    std::swap(a.plain_, b.plain_);
  }

 private:
  // Values shorter than this are held as limbs.
  static constexpr std::uint64_t kShortValue = 64;

  void SettleForm();
  // f(value, count), and whether the walk goes on.
  template <class F>
  static bool Visit(F& f, std::uint32_t value, std::uint64_t count) {
    if constexpr (std::is_same_v<decltype(f(value, count)), bool>) {
      return f(value, count);
    } else {
      f(value, count);
      return true;
    }
  }
  static bool FewRuns(const Number& number);
  void NormalizeRuns() { vantorb::NormalizeRuns(runs_); }
  void SaturateRuns();
  bool RunsNormalizeStable() const { return vantorb::RunsNormalizeStable(runs_); }
  void AssignProductMixed(const RunNumber& source, const Number::WeightParts& weight);
  void AddMixed(const RunNumber& other, bool negate);
  void AddPlain(const Number& other, bool negate);
  static bool Equal(const RunNumber& a, const RunNumber& b);
  void AssignRuns(const Number& number);
  void ToNumberFromRuns(Number& out) const;
  void MakePlain();
  void MakeRuns();
  // Held as limbs from now on; the run fields are emptied, never stale.
  void DropRuns();

  RunValue<std::uint64_t> runs_;
  bool plain_ = true;  // the value is flat_, runs_ empty
  Number flat_;
};

}  // namespace vantorb
