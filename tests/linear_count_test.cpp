// Counts over unknown run lengths as a loop's proof uses them: linear forms
// and their arithmetic, the conditions a comparison records (they hold
// exactly where the comparison answers as at the witness), ties settled
// along the loop's direction, and what a proved rule reaches from given
// lengths, against period-by-period stepping.

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "network/exceptions.hpp"
#include "engine/linear_count.hpp"
#include "engine/loop_rule.hpp"

namespace vantorb {
namespace {

// c + a0 * x0 + a1 * x1.
LinearForm Form(Wide c, std::int64_t a0 = 0, std::int64_t a1 = 0) {
  LinearForm form(c);
  form += LinearForm::Unknown(0).Scaled(a0);
  form += LinearForm::Unknown(1).Scaled(a1);
  return form;
}

bool AllHold(const std::vector<LinearForm>& conditions, const std::vector<Wide>& x) {
  for (const LinearForm& condition : conditions)
    if (condition.At(x) < 0) return false;
  return true;
}

TEST(LinearForm, ArithmeticTextAndReduction) {
  const LinearForm a = Form(3, 1, -2), b = Form(-1, -1, 4);
  EXPECT_EQ(a.Text(), "3 + x0 - 2*x1");
  EXPECT_EQ((a + b).Text(), "2 + 2*x1") << "x0 cancels and leaves no term";
  EXPECT_EQ((a - a).Text(), "0");
  EXPECT_TRUE((a - a).IsConstant());
  EXPECT_EQ((-b).Text(), "1 + x0 - 4*x1");
  EXPECT_EQ(a.Scaled(-3).Text(), "-9 - 3*x0 + 6*x1");
  EXPECT_EQ(a.Scaled(0).Text(), "0");
  EXPECT_EQ(a.At({5, 7}), 3 + 5 - 14);
  EXPECT_THROW(Form(0, INT64_MAX / 2 + 1).Scaled(2), NumberException);
  EXPECT_THROW(Form(0, INT64_MAX) + Form(0, 1), NumberException);

  // Dividing a condition by its coefficients' divisor keeps, over the
  // integers, exactly the points where it held.
  for (const LinearForm& condition :
       {Form(-3, 2), Form(3, -2), Form(-7, 4, -6), Form(0, 6, 9), Form(5, -10, 15)}) {
    const LinearForm reduced = condition.Reduced();
    for (Wide x0 = -12; x0 <= 12; ++x0)
      for (Wide x1 = -12; x1 <= 12; ++x1)
        EXPECT_EQ(condition.At({x0, x1}) >= 0, reduced.At({x0, x1}) >= 0)
            << condition.Text() << " as " << reduced.Text() << " at " << static_cast<int>(x0)
            << ", " << static_cast<int>(x1);
  }
  EXPECT_EQ(Form(-3, 2).Reduced().Text(), "-2 + x0");
}

TEST(LinearCount, ArithmeticKeepsTheWitness) {
  const std::vector<Wide> witness = {6, 11};
  const LinearCount x0(LinearForm::Unknown(0), 6), x1(LinearForm::Unknown(1), 11);
  const LinearCount counts[] = {x0 + x1, x0 - x1, (x0 + 3).Scaled(-4), x1 - 2 + x0.Scaled(5),
                                LinearCount(7) - x0};
  for (const LinearCount& count : counts)
    EXPECT_EQ(count.Form().At(witness), count.Witness()) << count.Form().Text();
}

// Every comparison answers as at the witness and records conditions that
// hold at the witness and nowhere it would answer otherwise; for the
// orderings they hold wherever it answers the same (an inequality keeps to
// the side of the witness).
TEST(LinearCount, ComparisonsHoldExactlyWhereTheyAnswerAsAtTheWitness) {
  using Compare = std::function<bool(const LinearCount&, const LinearCount&)>;
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
    LinearForm a, b;
  };
  const Pair pairs[] = {
      {Form(0, 1), Form(5, 0)},        // x0 against 5
      {Form(0, 2), Form(1, 0, 1)},     // 2*x0 against 1 + x1
      {Form(3, 1, -1), Form(0, 0, 2)}, // crosses at a fraction of x1
      {Form(0, 3), Form(0, 0, 3)},     // equal on the diagonal
      {Form(4, -1), Form(0, 0, 0)},    // 4 - x0 against 0
  };
  const int kFar = 12;  // the points checked: [0, kFar]^2
  for (const Pair& pair : pairs)
    for (const Operator& op : operators)
      for (Wide w0 = 0; w0 <= kFar; w0 += 3)
        for (Wide w1 = 0; w1 <= kFar; w1 += 4) {
          const std::vector<Wide> witness = {w0, w1};
          const LinearCount a(pair.a, pair.a.At(witness)), b(pair.b, pair.b.At(witness));
          Conditions conditions;
          bool answer;
          {
            Conditions::Scope scope(conditions);
            answer = op.counts(a, b);
          }
          const std::string label = pair.a.Text() + " " + op.name + " " + pair.b.Text() +
                                    " at " + std::to_string(static_cast<int>(w0)) + ", " +
                                    std::to_string(static_cast<int>(w1));
          EXPECT_EQ(answer, op.values(a.Witness(), b.Witness())) << label;
          EXPECT_TRUE(AllHold(conditions.All(), witness)) << label;
          for (Wide x0 = 0; x0 <= kFar; ++x0)
            for (Wide x1 = 0; x1 <= kFar; ++x1) {
              const std::vector<Wide> x = {x0, x1};
              const bool same = op.values(pair.a.At(x), pair.b.At(x)) == answer;
              const bool hold = AllHold(conditions.All(), x);
              const std::string at = std::to_string(int(x0)) + ", " + std::to_string(int(x1));
              EXPECT_TRUE(!hold || same) << label << ": wrong at " << at;
              EXPECT_TRUE(!op.exact || !same || hold) << label << ": too narrow at " << at;
            }
        }
}

TEST(LinearCount, CountsDifferingByAConstantNeedNoConditionsAndNoProof) {
  const LinearCount x(LinearForm::Unknown(0), 4);
  const LinearCount y = x + 2;
  EXPECT_TRUE(x < y);
  EXPECT_FALSE(y <= x);
  EXPECT_FALSE(x == y);
  EXPECT_TRUE(Least(y, x).Form() == x.Form());
  EXPECT_THROW((void)(x < LinearCount(9)), NeuroException) << "compared outside a proof";
  Conditions conditions;
  Conditions::Scope scope(conditions);
  EXPECT_TRUE(x < 9);
  EXPECT_FALSE(LinearCount(3) == 4);
  EXPECT_EQ(conditions.All().size(), 1u) << "only the comparison with a varying gap counts";
}

// Least of two counts equal at the witness takes the one that goes below
// the other along the direction, so its condition holds on the way.
TEST(LinearCount, LeastSettlesTiesAlongTheDirection) {
  struct Case {
    LinearForm a, b;
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
    if (!c.direction.empty()) conditions.SetDirection(c.direction);
    LinearCount least;
    {
      Conditions::Scope scope(conditions);
      least = Least(LinearCount(c.a, c.a.At(c.witness)), LinearCount(c.b, c.b.At(c.witness)));
    }
    EXPECT_TRUE(least.Form() == (c.takesB ? c.b : c.a)) << label;
    // Along the direction, wherever the conditions hold, the one taken is
    // the least; they hold at the witness and, for a tie, the next point.
    const LinearForm& other = c.takesB ? c.a : c.b;
    const bool tie = c.a.At(c.witness) == c.b.At(c.witness);
    for (Wide k = 0; k <= 6; ++k) {
      std::vector<Wide> x = c.witness;
      for (std::size_t i = 0; i < x.size() && i < c.direction.size(); ++i)
        x[i] += k * c.direction[i];
      const bool hold = AllHold(conditions.All(), x);
      const bool onTheWay = k == 0 || (k == 1 && tie && !c.direction.empty());
      EXPECT_TRUE(hold || !onTheWay) << label << " step " << int(k);
      EXPECT_TRUE(!hold || least.Form().At(x) <= other.At(x)) << label << " step " << int(k);
    }
  }
}

// A rule over one neuron with the given runs.
LoopRule Rule(std::size_t runs, std::vector<LinearForm> conditions,
              std::vector<std::int64_t> delta, LinearForm period) {
  LoopRule rule;
  rule.shape.signs = {1};
  rule.shape.integers = {0};
  rule.shape.firstRun = {0, static_cast<std::uint32_t>(runs)};
  rule.shape.runValues.assign(runs, 11111111);
  rule.conditions = std::move(conditions);
  rule.delta = std::move(delta);
  rule.period = std::move(period);
  return rule;
}

// Period by period: each starts with the conditions holding, every run at
// least a limb long, the value within bounds and an iteration to do, and
// all together take at most `most` iterations.
LoopRule::Reach Stepped(const LoopRule& rule, std::vector<Wide> x, std::int64_t most) {
  LoopRule::Reach reach;
  for (;;) {
    Wide limbs = 0;
    for (const Wide length : x) limbs += length;
    bool inside = AllHold(rule.conditions, x) && limbs <= Wide(LoopRule::kMaxValueLimbs);
    for (const Wide length : x) inside = inside && length >= 1;
    const Wide period = rule.period.At(x);
    if (!inside || period < 1 || reach.iterations + period > most) return reach;
    ++reach.periods;
    reach.iterations += static_cast<std::int64_t>(period);
    for (std::size_t i = 0; i < x.size(); ++i) x[i] += rule.delta[i];
  }
}

TEST(LoopRule, ReachesWhatSteppingPeriodByPeriodReaches) {
  struct Case {
    LoopRule rule;
    std::vector<std::uint64_t> x;
    bool elsewhere;  // for the first `most` below
  };
  const Case cases[] = {
      {Rule(1, {Form(-2, 1)}, {-1}, Form(3)), {10}, false},     // x0 falls to 2
      {Rule(1, {}, {-3}, Form(1)), {10}, false},                // to the last whole limb
      {Rule(1, {}, {1}, Form(2, 1)), {1}, false},               // periods grow longer
      {Rule(2, {Form(0, 1, -1)}, {-1, 1}, Form(5, 0, 2)), {40, 2}, false},  // until x1 passes x0
      {Rule(2, {Form(-4, 0, 1)}, {-1, 0}, Form(1)), {9, 3}, true},  // x1 never moves to 4
      {Rule(2, {Form(-20, 1)}, {-1, 0}, Form(1)), {9, 3}, false},   // x0 moves away from 20
      {Rule(1, {}, {0}, Form(4)), {7}, false},                  // only the limit ends it
      {Rule(2, {}, {1, 1}, Form(1)), {LoopRule::kMaxValueLimbs / 2 - 3, LoopRule::kMaxValueLimbs / 2 - 40}, false},
  };
  for (const Case& c : cases) {
    for (const std::int64_t most : {std::int64_t{1000}, std::int64_t{1}, std::int64_t{0},
                                    std::int64_t{17}, std::int64_t{100}, std::int64_t{1} << 20}) {
      const std::string label = c.rule.Text() + " from x0 = " + std::to_string(c.x[0]) +
                                " in " + std::to_string(most);
      const LoopRule::Reach reach = c.rule.Reachable(c.x, most);
      const LoopRule::Reach stepped =
          Stepped(c.rule, std::vector<Wide>(c.x.begin(), c.x.end()), most);
      EXPECT_EQ(reach.periods, stepped.periods) << label;
      EXPECT_EQ(reach.iterations, stepped.iterations) << label;
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
  LoopRule rule = Rule(runs, {}, std::vector<std::int64_t>(runs, 0), Form(1));
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

TEST(LoopRule, TextNamesPeriodChangesAndConditions) {
  EXPECT_EQ(Rule(2, {Form(-2, 1), Form(0, 1, -1)}, {-1, 3}, Form(5, 0, 2)).Text(),
            "rule over 2 run lengths of 1 neurons: period 5 + 2*x1 iterations; x0 -= 1; "
            "x1 += 3; while -2 + x0 >= 0, 0 + x0 - x1 >= 0");
}

}  // namespace
}  // namespace vantorb
