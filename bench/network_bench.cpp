// Costs of the exact arithmetic a network step is made of, on unary codes
// of growing length (the code of n has about n / 8 limbs).

#include <benchmark/benchmark.h>

#include <memory>

#include "network/neuron_container.hpp"
#include "network/unary.hpp"

namespace {

using vantorb::Number;

void BM_AddCodes(benchmark::State& state) {
  const Number code = vantorb::UnaryCode(state.range(0));
  for (auto _ : state) {
    Number sum = code;
    sum.Add(code);
    benchmark::DoNotOptimize(sum);
  }
}
BENCHMARK(BM_AddCodes)->Range(8, 8 << 12);

void BM_MultiplyCodeByTenth(benchmark::State& state) {
  const Number code = vantorb::UnaryCode(state.range(0));
  for (auto _ : state) {
    Number product = code;
    product.MultiplyByWeight(0.1);
    benchmark::DoNotOptimize(product);
  }
}
BENCHMARK(BM_MultiplyCodeByTenth)->Range(8, 8 << 12);

// One synchronous step of a neuron reading the successor's result sum.
void BM_SuccessorResultStep(benchmark::State& state) {
  vantorb::IOObj in("in"), data("data");
  in.SetValueText("1");
  data.SetArgument(std::to_string(state.range(0)));
  vantorb::Neuron res("res");
  res.SetBias("-0.9");
  res.AddSynapse(&in, 1);
  res.AddSynapse(&data, 0.1);
  for (auto _ : state) {
    res.ComputeNext();
    benchmark::DoNotOptimize(res.Next());
  }
}
BENCHMARK(BM_SuccessorResultStep)->Range(8, 8 << 12);

}  // namespace
