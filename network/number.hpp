#pragma once
// Number: an exact signed decimal of unbounded precision, the value of every
// neuron. It holds a sign, a non-negative integer part and the fraction as
// limbs of eight decimal digits, most significant first, in one contiguous
// array. Sums and differences are exact; multiplication is by a synapse
// weight only, whose integer part and first eight decimal places enter the
// product exactly. Every arithmetic operation ends in Normalize, whose
// rounding rule (a trailing limb 99999999 beyond the first is rounded up) is
// part of the network's defined behaviour: equal inputs give equal limbs.
//
// The integer part is 64-bit, far beyond any weighted sum a network forms.
// MultiplyByWeight with a weight that is not finite or whose integer part
// passes 2^31 - 1 throws NumberException and leaves the number unchanged.
// An Add, Subtract, MultiplyByWeight or Normalize whose integer part would
// reach 2^63 - 1 throws NumberException; the number is then valid but its
// value unspecified. No input leads to undefined behaviour.

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vantorb {

// One limb: eight decimal digits as an integer from 0 to 99999999.
struct Number_Node {
  std::int32_t value = 0;
  friend bool operator==(Number_Node, Number_Node) = default;
};

class Number {
 public:
  static constexpr std::int32_t kLimbBase = 100000000;
  static constexpr std::int32_t kLimbDigits = 8;
  static constexpr std::int64_t kMaxWeightIntegerPart = INT32_MAX;
  // The largest integer part a number holds; FromText reads a larger one as 0.
  static constexpr std::int64_t kMaxIntegerPart = INT64_MAX - 1;
  // What NumberException says when an integer part would pass it.
  static constexpr const char* kOverflowMessage =
      "Number overflow: integer part beyond 2^63 - 2";

  // +0 with no limbs (written "0" + separator + "0").
  Number() = default;

  void Clear();
  void Assign(const Number& other) { *this = other; }

  // this := the number the text denotes, with decimalSeparator: sign from a
  // leading "-", integer part from the text before the first separator (0
  // when it is no integer), one limb per eight fraction characters (0 for a
  // group that is not all digits). Not normalised. An empty text gives the
  // same number as "0".
  void FromText(std::string_view text);

  // "-" for a negative sign, the integer part, decimalSeparator, then every
  // limb as eight digits ("0" when there are no limbs).
  std::string ToText() const;
  // The double nearest to the value (its text read with correct rounding),
  // whatever the separator; 0 for a value too small in magnitude for a
  // double.
  double ToDouble() const;

  void Add(const Number& other);
  void Subtract(const Number& other);
  // this := this * w, w's integer part and eight decimal places exactly.
  void MultiplyByWeight(double w);
  // A weight taken apart once for many products: |w| = integer + places /
  // 10^8, the places rounded to nearest, halves to even. Throws
  // NumberException for a weight IsValidWeight rejects.
  struct WeightParts {
    std::int64_t integer = 1;
    std::int64_t places = 0;
    bool negative = false;
  };
  static WeightParts SplitWeight(double w);
  // The same product as MultiplyByWeight of the weight split.
  void MultiplyByParts(const WeightParts& weight);
  // this := a copy of source multiplied by the weight, without the copy.
  void AssignProduct(const Number& source, const WeightParts& weight);
  // this := this + other, or this - other when negate: the same as adding a
  // copy of other whose sign was flipped.
  void AddSigned(const Number& other, bool negate);
  // Whether Normalize would leave this number as it is.
  bool NormalizeStable() const;
  // sigma: negative -> 0, integer part >= 1 -> 1, otherwise unchanged.
  void Saturate();
  void Normalize();

  static bool LessInMagnitude(const Number& a, const Number& b);
  // Whether MultiplyByWeight accepts w.
  static bool IsValidWeight(double w);

  int Sign() const { return sign_; }
  std::int64_t IntegerPart() const { return integerPart_; }
  const std::vector<Number_Node>& Limbs() const { return limbs_; }

  // Builds a number from its parts; limbs must lie in 0..99999999 and the
  // integer part must not be negative (throws NumberException otherwise).
  static Number FromParts(int sign, std::int64_t integerPart,
                          std::vector<Number_Node> limbs);
  // The same in place, keeping the room the limbs had: ResetParts leaves no
  // limbs, AppendLimbs adds count limbs equal to limb. Both check as
  // FromParts does.
  void ResetParts(int sign, std::int64_t integerPart);
  void AppendLimbs(Number_Node limb, std::size_t count);

  // Identical representation, which is the same as identical ToText. The
  // limbs are compared from the last, where a growing code differs.
  friend bool operator==(const Number& a, const Number& b) {
    if (a.sign_ != b.sign_ || a.integerPart_ != b.integerPart_ ||
        a.limbs_.size() != b.limbs_.size())
      return false;
    for (auto i = a.limbs_.size(); i-- > 0;)
      if (a.limbs_[i].value != b.limbs_[i].value) return false;
    return true;
  }

 private:
  std::string Text(std::string_view separator) const;
  static void Multiply(const Number& src, const WeightParts& weight, Number& dst);
  void AddMagnitude(const Number& other);
  void SubtractSmallerMagnitude(const Number& smaller);
  void SubtractFromLargerMagnitude(const Number& larger);
  void Subtract(const Number& other, bool flipOther);
  void Add(const Number& other, bool flipOther);

  std::int32_t sign_ = 1;  // +1 or -1; zero may carry either
  std::int64_t integerPart_ = 0;
  std::vector<Number_Node> limbs_;
};

}  // namespace vantorb
