// Counts over unknown run lengths as a loop's proof uses them: polynomial
// forms and their arithmetic, the conditions a comparison records (they
// hold exactly where the comparison answers as at the witness), ties
// settled along the loop's direction, and what a proved rule reaches from
// given lengths, plain or in rounds, against period-by-period stepping.

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "network/exceptions.hpp"
#include "engine/poly_count.hpp"
#include "engine/loop_rule.hpp"
#include "rule_stepping.hpp"

namespace vantorb {
namespace {

// c + a0 * x0 + a1 * x1.
PolyForm Form(Wide c, std::int64_t a0 = 0, std::int64_t a1 = 0) {
  PolyForm form(c);
  form += PolyForm::Unknown(0).Scaled(a0);
  form += PolyForm::Unknown(1).Scaled(a1);
  return form;
}

Wide At(const PolyForm& form, const std::vector<Wide>& x) { return *form.At(x); }

bool AllHold(const std::vector<PolyForm>& conditions, const std::vector<Wide>& x) {
  for (const PolyForm& condition : conditions)
    if (At(condition, x) < 0) return false;
  return true;
}

TEST(PolyForm, ArithmeticTextAndReduction) {
  const PolyForm a = Form(3, 1, -2), b = Form(-1, -1, 4);
  EXPECT_EQ(a.Text(), "3 + x0 - 2*x1");
  EXPECT_EQ((a + b).Text(), "2 + 2*x1") << "x0 cancels and leaves no term";
  EXPECT_EQ((a - a).Text(), "0");
  EXPECT_TRUE((a - a).IsConstant());
  EXPECT_EQ((-b).Text(), "1 + x0 - 4*x1");
  EXPECT_EQ(a.Scaled(-3).Text(), "-9 - 3*x0 + 6*x1");
  EXPECT_EQ(a.Scaled(0).Text(), "0");
  EXPECT_EQ(At(a, {5, 7}), 3 + 5 - 14);
  EXPECT_THROW(Form(0, INT64_MAX / 2 + 1).Scaled(2), NumberException);
  EXPECT_THROW(Form(0, INT64_MAX) + Form(0, 1), NumberException);

  // Dividing a condition by its coefficients' divisor keeps, over the
  // integers, exactly the points where it held.
  const PolyForm x0x1 = PolyForm::Unknown(0).Times(PolyForm::Unknown(1));
  for (const PolyForm& condition :
       {Form(-3, 2), Form(3, -2), Form(-7, 4, -6), Form(0, 6, 9), Form(5, -10, 15),
        Form(-5, 4) + x0x1.Scaled(6), (Form(-1, 3) + x0x1).DividedBy(4)}) {
    const PolyForm reduced = condition.Reduced();
    EXPECT_EQ(reduced.Denominator(), 1) << condition.Text();
    for (Wide x0 = -12; x0 <= 12; ++x0)
      for (Wide x1 = -12; x1 <= 12; ++x1)
        if (const auto value = condition.At({x0, x1})) {  // a rational form's integer points
          EXPECT_EQ(*value >= 0, At(reduced, {x0, x1}) >= 0)
              << condition.Text() << " as " << reduced.Text() << " at " << static_cast<int>(x0)
              << ", " << static_cast<int>(x1);
        }
  }
  EXPECT_EQ(Form(-3, 2).Reduced().Text(), "-2 + x0");
}

// Products and quotients of forms are the polynomials they stand for:
// C(n, 2) for a count n is integer at every integer point, though its
// coefficients are halves; and a product of more than four unknowns is
// refused.
TEST(PolyForm, ProductsSubstitutionsAndRationalCounts) {
  const PolyForm n = Form(1, 2, 1);  // 1 + 2*x0 + x1
  const PolyForm pairs = n.Times(n - PolyForm(1)).DividedBy(2);
  const PolyForm half = PolyForm::Unknown(0).Times(PolyForm::Unknown(0) - PolyForm(1)).DividedBy(2);
  EXPECT_EQ(half.Text(), "(0 - x0 + x0*x0)/2");
  EXPECT_EQ(half.Degree(), 2);
  EXPECT_FALSE(half.IsLinear());
  EXPECT_EQ(half.Variables(), (std::vector<std::uint32_t>{0}));
  for (Wide x0 = 0; x0 <= 9; ++x0)
    for (Wide x1 = 0; x1 <= 9; ++x1) {
      const Wide v = 1 + 2 * x0 + x1;
      EXPECT_EQ(At(pairs, {x0, x1}), v * (v - 1) / 2);
      EXPECT_EQ(At(half, {x0, x1}), x0 * (x0 - 1) / 2);
      // x0 := x1 + 3, x1 := 2*x0 in n.
      EXPECT_EQ(At(n.Substituted({Form(3, 0, 1), Form(0, 2)}), {x0, x1}), 1 + 2 * (x1 + 3) + 2 * x0);
    }
  const PolyForm four = half.Times(half).Scaled(4);
  EXPECT_EQ(four.Degree(), 4);
  EXPECT_THROW(four.Times(PolyForm::Unknown(1)), NumberException);
  EXPECT_EQ(At(four, {5, 0}), 4 * 10 * 10);
  EXPECT_FALSE(PolyForm::Unknown(0).Times(PolyForm::Unknown(0)).Times(PolyForm::Unknown(0))
                   .At({static_cast<Wide>(1) << 50}))
      << "past 127 bits";
  // A condition false everywhere is a fault of the proof, said loudly.
  Conditions conditions;
  EXPECT_NO_THROW(conditions.Require(PolyForm(0)));
  EXPECT_THROW(conditions.Require(PolyForm(-1)), std::logic_error);
}

TEST(SymbolicCount, ArithmeticKeepsTheWitness) {
  // The witness shows in what comparisons answer: a count equals the
  // constant its form takes at the witness, and no other.
  const std::vector<Wide> witness = {6, 11};
  const SymbolicCount x0(PolyForm::Unknown(0), 6), x1(PolyForm::Unknown(1), 11);
  const SymbolicCount counts[] = {x0 + x1, x0 - x1, (x0 + 3).Scaled(-4), x1 - 2 + x0.Scaled(5),
                                  SymbolicCount(7) - x0, x0.Times(x1) - x1, x0.Times(x0 - 1).DividedBy(2)};
  Conditions conditions;
  Conditions::Scope scope(conditions);
  for (const SymbolicCount& count : counts) {
    const Wide value = At(count.Form(), witness);
    const SymbolicCount constant(PolyForm(value), value);
    EXPECT_TRUE(count == constant) << count.Form().Text();
    EXPECT_FALSE(count == constant + 1) << count.Form().Text();
  }
}

// Every comparison answers as at the witness and records conditions that
// hold at the witness and nowhere it would answer otherwise; for the
// orderings they hold wherever it answers the same (an inequality keeps to
// the side of the witness).
TEST(SymbolicCount, ComparisonsHoldExactlyWhereTheyAnswerAsAtTheWitness) {
  using Compare = std::function<bool(const SymbolicCount&, const SymbolicCount&)>;
  struct Operator {
    const char* name;
    Compare counts;
    std::function<bool(Wide, Wide)> values;
    bool exact;  // the conditions cover every point answering the same
  };
  const Operator operators[] = {
      {"<", [](auto& a, auto& b) { return a < b; }, [](Wide a, Wide b) { return a < b; }, true},
      {"<=", [](auto& a, auto& b) { return a <= b; }, [](Wide a, Wide b) { return a <= b; }, true},
      {">", [](auto& a, auto& b) { return a > b; }, [](Wide a, Wide b) { return a > b; }, true},
      {">=", [](auto& a, auto& b) { return a >= b; }, [](Wide a, Wide b) { return a >= b; }, true},
      {"==", [](auto& a, auto& b) { return a == b; }, [](Wide a, Wide b) { return a == b; }, false},
      {"!=", [](auto& a, auto& b) { return a != b; }, [](Wide a, Wide b) { return a != b; }, false},
  };
  struct Pair {
    PolyForm a, b;
  };
  const PolyForm x0x1 = PolyForm::Unknown(0).Times(PolyForm::Unknown(1));
  const Pair pairs[] = {
      {Form(0, 1), Form(5, 0)},        // x0 against 5
      {Form(0, 2), Form(1, 0, 1)},     // 2*x0 against 1 + x1
      {Form(3, 1, -1), Form(0, 0, 2)}, // crosses at a fraction of x1
      {Form(0, 3), Form(0, 0, 3)},     // equal on the diagonal
      {Form(4, -1), Form(0, 0, 0)},    // 4 - x0 against 0
      {x0x1, Form(20, 0)},             // a hyperbola
      {x0x1.DividedBy(2) + Form(0, 0, 1), Form(3, 2)},  // a rational count
  };
  const int kFar = 12;  // the points checked: [0, kFar]^2
  for (const Pair& pair : pairs)
    for (const Operator& op : operators)
      for (Wide w0 = 0; w0 <= kFar; w0 += 3)
        for (Wide w1 = 0; w1 <= kFar; w1 += 4) {
          const std::vector<Wide> witness = {w0, w1};
          const auto aw = pair.a.At(witness), bw = pair.b.At(witness);
          if (!aw || !bw) continue;  // no integer there
          const SymbolicCount a(pair.a, *aw), b(pair.b, *bw);
          Conditions conditions;
          bool answer;
          {
            Conditions::Scope scope(conditions);
            answer = op.counts(a, b);
          }
          const std::string label = pair.a.Text() + " " + op.name + " " + pair.b.Text() +
                                    " at " + std::to_string(static_cast<int>(w0)) + ", " +
                                    std::to_string(static_cast<int>(w1));
          EXPECT_EQ(answer, op.values(*aw, *bw)) << label;
          EXPECT_TRUE(AllHold(conditions.All(), witness)) << label;
          for (Wide x0 = 0; x0 <= kFar; ++x0)
            for (Wide x1 = 0; x1 <= kFar; ++x1) {
              const std::vector<Wide> x = {x0, x1};
              const auto ax = pair.a.At(x), bx = pair.b.At(x);
              if (!ax || !bx) continue;
              const bool same = op.values(*ax, *bx) == answer;
              const bool hold = AllHold(conditions.All(), x);
              const std::string at = std::to_string(int(x0)) + ", " + std::to_string(int(x1));
              EXPECT_TRUE(!hold || same) << label << ": wrong at " << at;
              EXPECT_TRUE(!op.exact || !same || hold) << label << ": too narrow at " << at;
            }
        }
}

TEST(SymbolicCount, CountsDifferingByAConstantNeedNoConditionsAndNoProof) {
  const SymbolicCount x(PolyForm::Unknown(0), 4);
  const SymbolicCount y = x + 2;
  EXPECT_TRUE(x < y);
  EXPECT_FALSE(y <= x);
  EXPECT_FALSE(x == y);
  EXPECT_TRUE(Least(y, x).Form() == x.Form());
  EXPECT_THROW((void)(x < SymbolicCount(9)), NeuroException) << "compared outside a proof";
  Conditions conditions;
  Conditions::Scope scope(conditions);
  EXPECT_TRUE(x < 9);
  EXPECT_FALSE(SymbolicCount(3) == 4);
  EXPECT_EQ(conditions.All().size(), 1u) << "only the comparison with a varying gap counts";
}

// Least of two counts equal at the witness takes the one that goes below
// the other along the direction, so its condition holds on the way.
TEST(SymbolicCount, LeastSettlesTiesAlongTheDirection) {
  struct Case {
    PolyForm a, b;
    std::vector<Wide> witness, direction;  // no direction: none set
    bool takesB;
  };
  const Case cases[] = {
      {Form(0, 1), Form(10, -1), {5}, {-1}, false},  // x0 falls: x0 stays the least
      {Form(0, 1), Form(10, -1), {5}, {1}, true},    // x0 grows: 10 - x0 becomes the least
      {Form(0, 1), Form(10, -1), {5}, {}, false},    // no direction: the first
      {Form(0, 1), Form(0, 0, 1), {3, 3}, {1, 2}, false},
      {Form(0, 1), Form(0, 0, 1), {3, 3}, {2, 1}, true},
      {Form(0, 1), Form(0, 0, 1), {3, 3}, {1, 1}, false},  // equal all along: the first
      {Form(0, 1), Form(10, -1), {4}, {1}, false},   // no tie: the smaller
      {Form(0, 1), Form(10, -1), {6}, {-1}, true},
  };
  for (const Case& c : cases) {
    const std::string label = "least of " + c.a.Text() + " and " + c.b.Text() + " moving " +
                              std::to_string(c.direction.empty() ? 0 : int(c.direction[0]));
    Conditions conditions;
    if (!c.direction.empty()) conditions.SetDirection(c.witness, c.direction);
    SymbolicCount least;
    {
      Conditions::Scope scope(conditions);
      least = Least(SymbolicCount(c.a, At(c.a, c.witness)), SymbolicCount(c.b, At(c.b, c.witness)));
    }
    EXPECT_TRUE(least.Form() == (c.takesB ? c.b : c.a)) << label;
    // Along the direction, wherever the conditions hold, the one taken is
    // the least; they hold at the witness and, for a tie, the next point.
    const PolyForm& other = c.takesB ? c.a : c.b;
    const bool tie = At(c.a, c.witness) == At(c.b, c.witness);
    for (Wide k = 0; k <= 6; ++k) {
      std::vector<Wide> x = c.witness;
      for (std::size_t i = 0; i < x.size() && i < c.direction.size(); ++i)
        x[i] += k * c.direction[i];
      const bool hold = AllHold(conditions.All(), x);
      const bool onTheWay = k == 0 || (k == 1 && tie && !c.direction.empty());
      EXPECT_TRUE(hold || !onTheWay) << label << " step " << int(k);
      EXPECT_TRUE(!hold || At(least.Form(), x) <= At(other, x)) << label << " step " << int(k);
    }
  }
}

// A rule over one neuron with the given runs.
LoopRule Rule(std::size_t runs, std::vector<PolyForm> conditions, std::vector<PolyForm> delta,
              PolyForm period) {
  LoopRule rule;
  rule.shape.signs = {1};
  rule.shape.integers = {0};
  rule.shape.firstRun = {0, static_cast<std::uint32_t>(runs)};
  rule.shape.runValues.assign(runs, 11111111);
  rule.conditions = std::move(conditions);
  rule.delta = std::move(delta);
  rule.period = std::move(period);
  rule.Prepare();
  return rule;
}

std::vector<PolyForm> Constants(std::vector<Wide> changes) {
  std::vector<PolyForm> forms;
  for (const Wide change : changes) forms.emplace_back(change);
  return forms;
}

TEST(LoopRule, ReachesWhatSteppingPeriodByPeriodReaches) {
  struct Case {
    LoopRule rule;
    std::vector<std::uint64_t> x;
    bool elsewhere;  // for the first `most` below
  };
  const PolyForm x0 = PolyForm::Unknown(0), x1 = PolyForm::Unknown(1);
  const Case cases[] = {
      {Rule(1, {Form(-2, 1)}, Constants({-1}), Form(3)), {10}, false},     // x0 falls to 2
      {Rule(1, {}, Constants({-3}), Form(1)), {10}, false},                // to the last whole limb
      {Rule(1, {}, Constants({1}), Form(2, 1)), {1}, false},               // periods grow longer
      {Rule(2, {Form(0, 1, -1)}, Constants({-1, 1}), Form(5, 0, 2)), {40, 2}, false},  // until x1 passes x0
      {Rule(2, {Form(-4, 0, 1)}, Constants({-1, 0}), Form(1)), {9, 3}, true},  // x1 never moves to 4
      {Rule(2, {Form(-20, 1)}, Constants({-1, 0}), Form(1)), {9, 3}, false},   // x0 moves away from 20
      {Rule(1, {}, Constants({0}), Form(4)), {7}, false},                  // only the limit ends it
      {Rule(2, {}, Constants({1, 1}), Form(1)), {LoopRule::kMaxValueLimbs / 2 - 3, LoopRule::kMaxValueLimbs / 2 - 40}, false},
      // Rounds: x1 grows by x0 each round while x0 counts up, until x1
      // passes 500; each round takes x1 iterations (a triangle).
      {Rule(2, {Form(500, 0, -1)}, {PolyForm(1), x0}, x1), {1, 3}, false},
      // x0 counts down, x1 adds the square of what is left, the rounds
      // take 3 + x0 * x1 iterations: degree 4 in the round.
      {Rule(2, {Form(-1, 1)}, {PolyForm(-1), x0.Times(x0)}, Form(3) + x0.Times(x1)), {30, 2}, false},
      // A bound that is a product of lengths, met in the middle of a
      // falling stretch.
      {Rule(2, {PolyForm(400) - x0.Times(x1)}, {PolyForm(2), PolyForm(1)}, Form(1, 1)), {3, 4}, false},
      // A bound that rises and falls back: x0 * (60 - x0) >= 100, not yet
      // met (the rule is for other lengths) and met.
      {Rule(1, {x0.Times(Form(60, -1)) - PolyForm(100)}, {PolyForm(3)}, Form(2)), {1}, true},
      {Rule(1, {x0.Times(Form(60, -1)) - PolyForm(100)}, {PolyForm(3)}, Form(2)), {5}, false},
      // A length that feeds back into itself: one period at a time.
      {Rule(1, {Form(100, -1)}, {x0}, Form(1)), {3}, false},
  };
  for (const Case& c : cases) {
    for (const std::int64_t most : {std::int64_t{1000}, std::int64_t{1}, std::int64_t{0},
                                    std::int64_t{17}, std::int64_t{100}, std::int64_t{1} << 20}) {
      const std::string label = c.rule.Text() + " from x0 = " + std::to_string(c.x[0]) +
                                " in " + std::to_string(most);
      const LoopRule::Reach reach = c.rule.Reachable(c.x, most);
      const LoopRule::Reach stepped =
          testing::SteppedPeriods(c.rule, std::vector<Wide>(c.x.begin(), c.x.end()), most);
      const bool once = !c.rule.Summable();
      EXPECT_EQ(reach.periods, once ? std::min<std::int64_t>(stepped.periods, 1) : stepped.periods)
          << label;
      if (!once) {
        EXPECT_EQ(reach.iterations, stepped.iterations) << label;
        if (reach.periods > 0) {
          EXPECT_EQ(reach.lengths, stepped.lengths) << label;
        }
      }
      if (most == 1000) {
        EXPECT_EQ(reach.elsewhere, c.elsewhere) << label;
      }
    }
  }
}

// Shapes that differ only past the runs a hash counts share their hash,
// and the book still gives each its own rules only.
TEST(RuleBook, ShapesAlikeInTheirHashedRunsKeepTheirOwnRules) {
  const std::size_t runs = NeuronShapeHasher::kHashedRuns + 3;
  std::vector<RunValue<std::uint64_t>> values(2);
  for (auto& value : values)
    for (std::size_t r = 0; r < runs; ++r)
      value.runs.push_back({static_cast<std::uint32_t>(r % 2 ? 22222222 : 11111111), 2});
  values[1].runs.back().value = 33333333;
  StateShape shapes[2];
  std::vector<std::uint64_t> lengths;
  for (int k = 0; k < 2; ++k) ShapeOf({values[k]}, shapes[k], lengths);
  EXPECT_EQ(shapes[0].hash, shapes[1].hash);
  EXPECT_FALSE(shapes[0] == shapes[1]);
  RuleBook book;
  LoopRule rule = Rule(runs, {}, std::vector<PolyForm>(runs, PolyForm(0)), Form(1));
  rule.shape = shapes[0];
  const LoopRule* kept = book.Add(std::move(rule));
  EXPECT_EQ(book.Find(shapes[0]), std::vector<const LoopRule*>{kept});
  EXPECT_TRUE(book.Find(shapes[1]).empty());
  // A value that differs within the hashed runs has a hash of its own.
  values[1] = values[0];
  values[1].runs.front().value = 33333333;
  ShapeOf({values[1]}, shapes[1], lengths);
  EXPECT_NE(shapes[0].hash, shapes[1].hash);
}

// Past a size the book forgets the rules used least recently, leaves the
// rest as they were, and keeps its count of bytes.
TEST(RuleBook, ForgetsTheRulesUsedLeastRecently) {
  struct Case {
    std::vector<int> used;  // rules marked used, in this order, after all are added
    std::size_t kept;       // rules the room left holds
    std::vector<int> forgotten;
  };
  const Case cases[] = {
      {{}, 2, {0, 1}},           // by the order they came in
      {{0, 1}, 2, {2, 3}},       // a use counts as new
      {{3, 0, 2}, 1, {1, 3, 0}},
      {{1}, 4, {}},              // room for all: nothing goes
      {{}, 0, {0, 1, 2, 3}},
  };
  for (const auto& c : cases) {
    RuleBook book;
    std::vector<const LoopRule*> rules;
    std::vector<StateShape> shapes;
    for (std::uint32_t value = 1; value <= 4; ++value) {
      LoopRule rule = Rule(1, {Form(-2, 1)}, Constants({-1}), Form(3));
      rule.shape.runValues = {value * 11111111};
      rule.shape.hash = value;
      shapes.push_back(rule.shape);
      rules.push_back(book.Add(std::move(rule)));
    }
    const std::size_t each = rules[0]->Bytes();
    EXPECT_EQ(book.Bytes(), 4 * each);
    for (const int r : c.used) book.Used(rules[static_cast<std::size_t>(r)]);
    std::vector<const LoopRule*> expected;
    for (const int r : c.forgotten) expected.push_back(rules[static_cast<std::size_t>(r)]);
    const std::string label = "keeping " + std::to_string(c.kept);
    EXPECT_EQ(book.Forget(c.kept * each), expected) << label;
    EXPECT_EQ(book.Size(), 4 - expected.size()) << label;
    EXPECT_EQ(book.Bytes(), book.Size() * each) << label;
    for (std::size_t r = 0; r < rules.size(); ++r) {
      const bool gone = std::find(expected.begin(), expected.end(), rules[r]) != expected.end();
      EXPECT_EQ(book.Knows(shapes[r].hash), !gone) << label << " rule " << r;
      EXPECT_EQ(book.Find(shapes[r]).size(), gone ? 0u : 1u) << label << " rule " << r;
    }
  }
}

// A rule's memory is what it holds now: a rule proved over the whole state
// and then cut down to the part its loop computes is prepared again, and
// takes what the same rule made over the part alone takes (the book's
// bound on memory counts it so).
TEST(LoopRule, ARuleCutDownToAPartTakesThePartsMemoryOnly) {
  const auto grows = [](std::size_t runs) {
    std::vector<PolyForm> conditions = {Form(-2, 1)};
    std::vector<PolyForm> delta = {Form(0, 0, 1), PolyForm(0)};
    for (std::uint32_t r = 2; r < runs; ++r) {
      conditions.push_back(PolyForm::Unknown(r) + PolyForm(-1));
      delta.emplace_back(0);
    }
    return Rule(runs, std::move(conditions), std::move(delta), Form(3, 1));
  };
  const LoopRule part = grows(2);
  for (const std::size_t whole : {2u, 50u, 2000u}) {
    LoopRule cut = grows(whole);
    cut.shape = StateShape(part.shape);
    cut.conditions = std::vector<PolyForm>(part.conditions);
    cut.delta = std::vector<PolyForm>(part.delta);
    cut.Prepare();
    EXPECT_TRUE(cut.Grows()) << whole;
    EXPECT_EQ(cut.Bytes(), part.Bytes()) << "cut down from " << whole << " lengths";
  }
}

// A shape of some of the neurons hashes as the sum of its neurons' parts
// of the whole state's hash, so that an engine finds a part's rules from
// the hashes it keeps per neuron; parts of other neurons differ.
TEST(StateShape, APartHashesAsItsNeuronsDoInTheWholeState) {
  std::vector<RunValue<std::uint64_t>> values(4);
  for (std::size_t n = 0; n < values.size(); ++n) {
    values[n].sign = 1;
    values[n].integerPart = static_cast<std::int64_t>(n % 2);
    values[n].runs.push_back({static_cast<std::uint32_t>(11111111 * (n + 1) % 100000000), n + 2});
    values[n].limbCount = n + 2;
  }
  StateShape whole;
  std::vector<std::uint64_t> lengths;
  ShapeOf(values, whole, lengths);
  const auto partOf = [&values](const std::vector<std::uint32_t>& neurons) {
    StateShape part;
    ShapeBuilder builder(part);
    for (const std::uint32_t n : neurons) {
      builder.AddNeuronOf(n, values[n].sign, values[n].integerPart);
      for (const auto& run : values[n].runs) builder.AddRun(run.value);
    }
    builder.Finish();
    return part;
  };
  std::uint64_t sum = 0;
  for (std::uint32_t n = 0; n < values.size(); ++n) sum += partOf({n}).hash;
  EXPECT_EQ(sum, whole.hash);
  const std::vector<std::vector<std::uint32_t>> parts = {{0}, {1, 3}, {0, 2, 3}};
  for (const auto& neurons : parts) {
    const StateShape part = partOf(neurons);
    std::uint64_t expected = 0;
    for (const std::uint32_t n : neurons) expected += partOf({n}).hash;
    EXPECT_EQ(part.hash, expected) << neurons.size() << " neurons";
    ASSERT_EQ(part.Neurons(), neurons.size());
    for (std::size_t k = 0; k < neurons.size(); ++k) EXPECT_EQ(part.NeuronAt(k), neurons[k]);
    EXPECT_FALSE(part == whole);
  }
  EXPECT_NE(partOf({1, 3}).hash, partOf({0, 2}).hash);
  EXPECT_EQ(whole.NeuronAt(2), 2u);
}

// A rule over a part starts only where the neurons due next are among
// those its proof computed first; a rule proved from every neuron, always.
// The book lists each part its rules are over once.
TEST(LoopRule, StartsWhereTheNeuronsDueAreOnesItsProofComputedFirst) {
  struct Case {
    std::vector<std::uint32_t> firstComputed;
    std::optional<std::vector<std::uint32_t>> due;  // none: every neuron
    bool starts;
  };
  const Case cases[] = {
      {{}, std::nullopt, true},   {{}, std::vector<std::uint32_t>{4}, true},
      {{1, 3, 5}, std::nullopt, false}, {{1, 3, 5}, std::vector<std::uint32_t>{}, true},
      {{1, 3, 5}, std::vector<std::uint32_t>{1, 5}, true},
      {{1, 3, 5}, std::vector<std::uint32_t>{2}, false},
      {{1, 3, 5}, std::vector<std::uint32_t>{1, 3, 5, 7}, false},
  };
  for (const auto& c : cases) {
    LoopRule rule;
    rule.firstComputed = c.firstComputed;
    EXPECT_EQ(rule.StartsWith(c.due ? &*c.due : nullptr), c.starts)
        << c.firstComputed.size() << " first, " << (c.due ? c.due->size() : 99) << " due";
  }

  RuleBook book;
  const std::vector<std::vector<std::uint32_t>> parts = {{1, 2}, {}, {0, 3}, {1, 2}, {0, 3}};
  for (std::size_t r = 0; r < parts.size(); ++r) {
    LoopRule rule = Rule(1, {Form(-2, 1)}, Constants({-1}), Form(3));
    rule.shape.neurons = parts[r];
    rule.shape.hash = r;
    book.Add(std::move(rule));
  }
  EXPECT_EQ(book.Parts(), (std::vector<std::vector<std::uint32_t>>{{1, 2}, {0, 3}}));
  book.Clear();
  EXPECT_TRUE(book.Parts().empty());
}

TEST(LoopRule, TextNamesPeriodChangesAndConditions) {
  EXPECT_EQ(Rule(2, {Form(-2, 1), Form(0, 1, -1)}, Constants({-1, 3}), Form(5, 0, 2)).Text(),
            "rule over 2 run lengths of 1 neurons: period 5 + 2*x1 iterations; x0 -= 1; "
            "x1 += 3; while -2 + x0 >= 0, 0 + x0 - x1 >= 0");
  EXPECT_EQ(Rule(2, {}, {PolyForm(1), PolyForm::Unknown(0)}, Form(0, 0, 1)).Text(),
            "rule over 2 run lengths of 1 neurons: period 0 + x1 iterations; x0 += 1; "
            "x1 += 0 + x0; while");
}

}  // namespace
}  // namespace vantorb
