#pragma once
// What a loop is made of, as plain data. A network's state is the value of
// every computed neuron held as runs of equal limbs; its StateShape is the
// state with the run lengths left out (each neuron's sign, integer part and
// the values of its runs), and its lengths are the run lengths in that
// order, the unknowns x_0, x_1, ... of a LoopRule.
//
// A LoopRule is a proved fact: from any state of its shape whose lengths x
// satisfy every condition (each a polynomial form >= 0), period(x)
// iterations lead to the state of the same shape with lengths
// x + delta(x), and the end signal is given in none of the states in
// between. It is proved once, by LoopProver, and applied to any state of
// its shape: Reachable tells how many periods in a row keep the lengths
// inside the conditions, each period applying the rule anew to the state
// the one before left, so that a leap is as sound as a single period.
//
// A plain rule moves each length by a constant. A round rule moves some by
// amounts that depend on other lengths: a loop whose rounds grow, as a
// recursion that adds its counter or a minimization whose every candidate
// costs more. When each length's change depends only on lengths whose own
// change comes before it (no length feeds back into itself), the lengths
// after k rounds are polynomials in k, and so are the conditions and the
// iterations of round k: Reachable follows them in closed form
// (RoundPolynomial), finds the first round where a condition fails exactly,
// and adds up the iterations of n rounds without doing them. Otherwise a
// leap covers one period. Rules can be printed (Text) and checked against
// the step-by-step engine.
//
// A rule may be over a part of the network: the neurons its period
// computes and the neurons those read (StateShape::neurons). Every other
// neuron is at rest (its value is what its sources make, and none of its
// sources changes), so the rule holds whatever those hold, provided none
// of them is due to be computed when it starts (firstComputed): a loop
// met again beside other values (a minimization's inner loops beside
// every phase of its outer counts) leaps by the rule proved the first
// time.
//
// Not thread-safe; rules are never changed once made, so a RuleBook may be
// read from several threads if nobody adds to it, marks uses or forgets.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

#include "engine/poly_count.hpp"
#include "network/run_arithmetic.hpp"

namespace vantorb {

// A shape may cover some of the network's neurons only (`neurons`, in
// order: the part a loop reads and writes); without them it covers every
// neuron, its k-th being neuron k. A part's hash is the sum of its
// neurons' hashes, as the whole state's is of all.
struct StateShape {
  std::vector<std::uint32_t> neurons;     // the neurons covered, or none: all
  std::vector<std::int32_t> signs;        // per neuron
  std::vector<std::int64_t> integers;     // per neuron
  std::vector<std::uint32_t> firstRun;    // per neuron, and one past the last
  std::vector<std::uint32_t> runValues;   // every run's limb value, in order
  std::uint64_t hash = 0;                 // of all the above

  std::size_t Neurons() const { return signs.size(); }
  // The network's neuron that is the shape's k-th.
  std::uint32_t NeuronAt(std::size_t k) const {
    return neurons.empty() ? static_cast<std::uint32_t>(k) : neurons[k];
  }
  std::size_t Runs() const { return runValues.size(); }
  friend bool operator==(const StateShape&, const StateShape&) = default;
};

// The hash a neuron's part of a shape adds to the state's: the state's hash
// is the sum over its neurons, so that it follows a change of a few neurons
// at the cost of those. Made run by run: Start, Add each run's value,
// Finish. Only the first kHashedRuns runs count: a value of more runs is
// told apart from others by those (equal hashes are always checked against
// the whole shape), so that hashing a long value without runs costs little.
class NeuronShapeHasher {
 public:
  static constexpr std::uint64_t kHashedRuns = 64;

  // Inline: an engine hashes every neuron that changed at every step it
  // looks at, most of them of a run or two.
  NeuronShapeHasher(std::uint32_t neuron, std::int32_t sign, std::int64_t integer)
      : hash_(Mix(Mix(neuron, static_cast<std::uint64_t>(sign)), static_cast<std::uint64_t>(integer))) {}
  // False once further runs no longer count.
  bool Add(std::uint32_t runValue) {
    if (runs_ == kHashedRuns) return false;
    hash_ = Mix(hash_, runValue);
    return ++runs_ < kHashedRuns;
  }
  std::uint64_t Finish() const { return Mix(hash_, runs_); }

 private:
  static std::uint64_t Mix(std::uint64_t hash, std::uint64_t word) {
    hash ^= word + 0x9e3779b97f4a7c15ULL + (hash << 6) + (hash >> 2);
    hash *= 0xff51afd7ed558ccdULL;
    return hash ^ (hash >> 33);
  }

  std::uint64_t hash_;
  std::uint64_t runs_ = 0;
};

// Lays out a shape neuron by neuron and run by run, and hashes it, for
// every reader of a state (plain values, an engine's runs, a proof's
// counts): shapes read from the same state anywhere are equal, their
// hashes the sum an engine keeps up to date. The reader keeps the lengths
// the way it needs them, one per run in the same order.
class ShapeBuilder {
 public:
  // Starts `shape` afresh (keeping the room its vectors have).
  explicit ShapeBuilder(StateShape& shape);
  // The next neuron; then its runs' values, in order. A shape of a part
  // names the network's neuron each time (AddNeuronOf); one of every
  // neuron takes them all in order.
  void AddNeuron(std::int32_t sign, std::int64_t integer);
  void AddNeuronOf(std::uint32_t neuron, std::int32_t sign, std::int64_t integer);
  void AddRun(std::uint32_t value) {
    shape_.runValues.push_back(value);
    hasher_.Add(value);
  }
  // Closes the last neuron: the shape is complete.
  void Finish();

 private:
  void CloseNeuron();
  StateShape& shape_;
  NeuronShapeHasher hasher_{0, 0, 0};
  bool open_ = false;
};

// Splits values into their shape and their lengths.
void ShapeOf(const std::vector<RunValue<std::uint64_t>>& values, StateShape& shape,
             std::vector<std::uint64_t>& lengths);
// The values of a shape with the given lengths.
RunValue<std::uint64_t> NeuronValue(const StateShape& shape, std::size_t neuron,
                                    const std::vector<std::uint64_t>& lengths);

struct LoopRule {
  StateShape shape;
  std::vector<PolyForm> conditions;  // each >= 0, over the lengths x
  std::vector<PolyForm> delta;       // per length: its change in one period
  PolyForm period;                   // iterations of one period
  // Neurons whose value may change in a period's last iteration: after a
  // leap, the ones an engine must treat as just changed.
  std::vector<std::uint32_t> changedAtEnd;
  // A rule over a part of the network (shape.neurons) holds whatever the
  // other neurons hold, provided none of them is due to be computed: the
  // period computes only neurons of the part, which read only the part.
  // `firstComputed` (sorted) are the neurons its proof computed in the
  // first iteration; the rule applies only where the neurons due next
  // are among them. Empty: the proof computed every neuron first.
  std::vector<std::uint32_t> firstComputed;
  // The hashes of the shapes a period passes through after its first
  // state: a state of one of them is inside this loop.
  std::vector<std::uint64_t> phases;

  // The longest value a leap makes, in limbs, where neurons show values
  // as plain limbs: 2^26 limbs, 537 million digits (the sum of two of the
  // largest arguments, or the code of factorial 12), 256 MB as limbs.
  static constexpr std::uint64_t kMaxValueLimbs = std::uint64_t{1} << 26;
  // The same where values stay with the engine as runs (Engine::KeepValues):
  // 2^50 limbs, far past any argument, with room for lengths times
  // coefficients in a Wide.
  static constexpr std::uint64_t kMaxHeldLimbs = std::uint64_t{1} << 50;
  // The highest degree in the round counter a leap over rounds follows.
  static constexpr int kMaxRoundDegree = 8;

  // Derives what leaps need from the fields above; a RuleBook does it for
  // the rules it takes.
  void Prepare();
  // Whether every length moves by a constant (a plain loop).
  bool Plain() const { return plain_; }
  // Whether a period's iterations change from period to period: a loop
  // whose rounds grow (or shrink), which the counts call a round rule.
  bool Grows() const { return grows_; }
  // Whether rounds add up in closed form (plain rules do).
  bool Summable() const { return summable_; }
  // The rounds after which every length is a polynomial in the round
  // counter (0 but where a length takes a new value each round, which is
  // one from the round after), and the highest degree of those
  // polynomials (1 for a plain rule where some length moves).
  int SettleRounds() const { return settled_; }
  int LengthDegree() const;

  struct Reach {
    std::int64_t periods = 0;
    std::int64_t iterations = 0;
    // No period: a condition that periods do not bring closer fails, so
    // the rule is for other lengths (rather than a loop that ends here).
    bool elsewhere = false;
    // The lengths after those periods (when there are any).
    std::vector<std::uint64_t> lengths;
  };
  // From lengths x: the most periods in a row, each starting inside the
  // conditions, whose iterations together are at most `most` and whose
  // values stay within maxLimbs limbs; those iterations and the lengths
  // they end with.
  Reach Reachable(const std::vector<std::uint64_t>& x, std::int64_t most,
                  std::uint64_t maxLimbs = kMaxValueLimbs) const;
  // Whether the rule may start where `due` (sorted; null: every neuron)
  // are the neurons the next iteration computes.
  bool StartsWith(const std::vector<std::uint32_t>* due) const;
  std::string Text() const;
  // The memory the rule takes, its own size included.
  std::size_t Bytes() const;

 private:
  Reach ReachablePlain(const std::vector<std::uint64_t>& x, std::int64_t most,
                       std::uint64_t maxLimbs) const;
  Reach ReachableRounds(const std::vector<std::uint64_t>& x, std::int64_t most,
                        std::uint64_t maxLimbs) const;

  bool plain_ = true, linear_ = true, summable_ = true, grows_ = false;
  // Per length, its degree in the round counter, and the round from which
  // on it is a polynomial in it (0 but for lengths that take a new value
  // each round); the highest of those any part of a leap follows, and the
  // first round from which every length is one.
  std::vector<int> degree_, settle_;
  int settled_ = 0;
  std::vector<int> conditionDegree_;  // per condition
  // Lengths no period changes, and conditions over those alone: the same
  // in every round, so that they are checked once, at the start (a rule
  // over long values has hundreds of them).
  std::vector<char> stillLength_, stillCondition_;
  int highest_ = 1;
};

// The rules proved for a network, found by shape. A run whose loops come
// and go (a minimization's every candidate brings loops of new shapes)
// proves rules it never uses again: Forget drops those used least
// recently, so that the book keeps what the loops of the present use and
// its size stays bounded. A pointer the book gave out is valid until its
// rule is forgotten or the book cleared.
class RuleBook {
 public:
  const LoopRule* Add(LoopRule rule);
  // The rules for exactly this shape (none, or a few).
  std::vector<const LoopRule*> Find(const StateShape& shape) const;
  // Every rule, in no set order (for tests and for printing them).
  std::vector<const LoopRule*> All() const;
  // Whether some rule's shape has this hash.
  bool Knows(std::uint64_t hash) const { return byHash_.find(hash) != byHash_.end(); }
  // The parts of the network rules are over (StateShape::neurons), each
  // once, in the order first met, kMaxParts at most: a rule over another
  // part is kept but never found. A part stays when its rules go.
  static constexpr std::size_t kMaxParts = 32;
  const std::vector<std::vector<std::uint32_t>>& Parts() const { return parts_; }
  // Marks a rule of the book as just used (a leap, or a crossing inside a
  // proof): Forget keeps it longest.
  void Used(const LoopRule* rule);
  // Drops the rules used least recently until the rest take at most
  // `bytes`, and returns the pointers to those dropped, no longer valid.
  std::vector<const LoopRule*> Forget(std::size_t bytes);
  std::size_t Size() const { return rules_.size(); }
  // The memory the rules take (LoopRule::Bytes).
  std::size_t Bytes() const { return bytes_; }
  void Clear();

 private:
  struct Entry {
    std::unique_ptr<LoopRule> rule;
    std::uint64_t lastUse = 0;
    std::size_t bytes = 0;
  };
  std::unordered_map<const LoopRule*, Entry> rules_;
  std::unordered_multimap<std::uint64_t, const LoopRule*> byHash_;
  std::uint64_t uses_ = 0;  // a clock of uses
  std::size_t bytes_ = 0;
  std::vector<std::vector<std::uint32_t>> parts_;
};

}  // namespace vantorb
