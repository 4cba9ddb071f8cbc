// RunNumber against Number on operation sequences read from the input: the
// input builds values of runs (values that make carries, borrows and
// rounding travel: 0, 99999999, 99999998 and others, counts up to thousands
// of limbs), then applies signed sums, weighted products, normalisation,
// saturation and changes of form to a RunNumber and a Number alike. Any
// difference, limb for limb, in comparisons or in whether an operation
// throws aborts.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <vector>

#include "network/exceptions.hpp"
#include "network/run_number.hpp"

namespace {

using namespace vantorb;

class Input {
 public:
  Input(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  bool Empty() const { return at_ >= size_; }
  std::uint8_t Byte() { return at_ < size_ ? data_[at_++] : 0; }
  std::uint32_t Word() {
    std::uint32_t w = 0;
    for (int i = 0; i < 4; ++i) w = w << 8 | Byte();
    return w;
  }

 private:
  const std::uint8_t* data_;
  std::size_t size_, at_ = 0;
};

Number ReadValue(Input& in) {
  static const std::int32_t kLimbs[] = {0, 99999999, 99999998, 11111111, 1, 10000000, 50000000};
  static const std::int64_t kIntegers[] = {0, 1, 2, 99999999, 4611686018427387903,
                                           Number::kMaxIntegerPart};
  const std::uint8_t head = in.Byte();
  std::vector<Number_Node> limbs;
  for (int r = (head >> 4) & 7; r > 0; --r) {
    const std::uint8_t pick = in.Byte();
    const std::int32_t value = pick % 8 < std::size(kLimbs)
                                   ? kLimbs[pick % 8]
                                   : static_cast<std::int32_t>(in.Word() % Number::kLimbBase);
    const std::uint8_t length = in.Byte();
    const std::size_t count = 1 + (length & 0x7f) * (length & 0x80 ? 41 : 1);
    limbs.insert(limbs.end(), count, Number_Node{value});
  }
  return Number::FromParts(head & 1 ? -1 : 1, kIntegers[(head >> 1) % std::size(kIntegers)],
                           std::move(limbs));
}

Number::WeightParts ReadWeight(Input& in) {
  static const std::int64_t kIntegers[] = {0, 1, 2, 10, 100, 2147483647};
  const std::uint8_t head = in.Byte();
  Number::WeightParts w;
  w.integer = head & 8 ? in.Word() % 2147483648u : kIntegers[(head >> 4) % std::size(kIntegers)];
  w.places = head & 2 ? in.Word() % Number::kLimbBase : (head & 4 ? 99999999 : 0);
  w.negative = head & 1;
  return w;
}

// Runs op on both; they must agree on throwing and, if not, on the value.
template <class PlainOp, class RunOp>
void Both(Number& plain, RunNumber& runs, PlainOp plainOp, RunOp runOp) {
  bool plainThrew = false, runThrew = false;
  try {
    plainOp(plain);
  } catch (const NumberException&) {
    plainThrew = true;
  }
  try {
    runOp(runs);
  } catch (const NumberException&) {
    runThrew = true;
  }
  if (plainThrew != runThrew) std::abort();
  if (plainThrew) {  // both values are unspecified now: go on from zero
    plain = Number::FromParts(1, 0, {Number_Node{0}});
    runs.Assign(plain);
    return;
  }
  if (!(runs.ToNumber() == plain)) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Input in(data, size);
  Number plain = ReadValue(in);
  RunNumber runs;
  runs.Assign(plain);
  if (!(runs.ToNumber() == plain)) std::abort();
  for (int step = 0; step < 64 && !in.Empty(); ++step) {
    const std::uint8_t op = in.Byte();
    const Number otherPlain = ReadValue(in);
    RunNumber other;
    other.Assign(otherPlain);
    if (op & 0x10) other.UsePlainForm(true);
    if (op & 0x20) runs.UsePlainForm(!runs.PlainForm());
    if (RunNumber::LessInMagnitude(runs, other) != Number::LessInMagnitude(plain, otherPlain) ||
        (runs == other) != (plain == otherPlain) ||
        runs.NormalizeStable() != plain.NormalizeStable() || runs.ToText() != plain.ToText())
      std::abort();
    const bool negate = op & 0x40;
    switch (op % 6) {
      case 0:
      case 1:
        Both(plain, runs, [&](Number& n) { n.AddSigned(otherPlain, negate); },
             [&](RunNumber& n) { n.AddSigned(other, negate); });
        break;
      case 2: {
        const auto w = ReadWeight(in);
        Both(plain, runs, [&](Number& n) { n.AssignProduct(otherPlain, w); },
             [&](RunNumber& n) { n.AssignProduct(other, w); });
        break;
      }
      case 3: {
        const auto w = ReadWeight(in);
        Both(plain, runs, [&](Number& n) { n.MultiplyByParts(w); },
             [&](RunNumber& n) { n.AssignProduct(n, w); });
        break;
      }
      case 4:
        Both(plain, runs, [](Number& n) { n.Normalize(); }, [](RunNumber& n) { n.Normalize(); });
        break;
      default:
        Both(plain, runs, [](Number& n) { n.Saturate(); }, [](RunNumber& n) { n.Saturate(); });
        break;
    }
    if (op & 0x80) runs.Settle();
  }
  return 0;
}
