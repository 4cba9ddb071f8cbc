// Number texts through FromText, ToText and the arithmetic with weights
// taken from the input. The results must keep the number's invariants (limbs
// from 0 to 99999999, a non-negative integer part, at least one limb after
// arithmetic), and a text must read back as the number that wrote it.

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "network/exceptions.hpp"
#include "network/number.hpp"
#include "network/utils.hpp"

namespace {

using namespace vantorb;

void Check(const Number& n, bool arithmetic) {
  if (n.IntegerPart() < 0 || (arithmetic && n.Limbs().empty())) std::abort();
  for (auto limb : n.Limbs())
    if (limb.value < 0 || limb.value >= Number::kLimbBase) std::abort();
  if (!n.Limbs().empty()) {
    Number again;
    again.FromText(n.ToText());
    if (!(again == n)) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 1) return 0;
  decimalSeparator = data[0] % 2 ? "," : ".";
  std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  std::vector<std::string> parts;
  std::size_t start = 0;
  for (std::size_t i = 0; i <= text.size(); ++i)
    if (i == text.size() || text[i] == '\n') {
      parts.push_back(text.substr(start, i - start));
      start = i + 1;
    }
  std::vector<Number> numbers;
  for (const auto& part : parts) {
    numbers.emplace_back();
    numbers.back().FromText(part);
    Check(numbers.back(), false);
  }
  double weight = 0.1;
  if (size >= 9) std::memcpy(&weight, data + size - 8, sizeof weight);
  try {
    for (std::size_t i = 0; i + 1 < numbers.size(); ++i) {
      Number sum = numbers[i], difference = numbers[i], product = numbers[i];
      sum.Add(numbers[i + 1]);
      difference.Subtract(numbers[i + 1]);
      Check(sum, true);
      Check(difference, true);
      if (Number::IsValidWeight(weight)) {
        product.MultiplyByWeight(weight);
        Check(product, true);
        Number same = numbers[i];
        same.AssignProduct(numbers[i], Number::SplitWeight(weight));
        if (!(same == product)) std::abort();
      } else {
        bool refused = false;
        try {
          product.MultiplyByWeight(weight);
        } catch (const NumberException&) {
          refused = true;
        }
        if (!refused || !(product == numbers[i])) std::abort();
      }
      sum.Saturate();
      Check(sum, true);
    }
  } catch (const NumberException&) {  // an integer part beyond 2^63 - 2
  }
  return 0;
}
