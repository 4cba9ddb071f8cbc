#pragma once
// Counts of limbs as a prover sees them. A loop's state is proved for every
// value of its run lengths at once: each length of the state a proof starts
// from is an unknown x_i, and every count computed from them is a
// polynomial in them (PolyForm): sums and differences of lengths, and,
// where an inner loop is crossed, its number of periods times what a period
// does, or C(n, 2) times how that changes from period to period. The
// coefficients are rationals over one positive denominator, the values
// integers. A SymbolicCount is such a form with its value at one point, the
// witness: the run lengths the engine holds when the proof starts.
//
// A comparison of two SymbolicCounts answers as it does at the witness and
// adds to the Conditions in force the condition under which that answer
// holds (a form >= 0), so that the run algorithms, written once for any
// count type (network/run_arithmetic.hpp), take at every other point
// satisfying the conditions the decisions they took at the witness. That is
// what makes a rule sound, and the types keep it so: a SymbolicCount has no
// conversion to a number and no way to read its witness but through a
// WitnessKey, which only the prover's crossing of inner loops can make (it
// needs the witness to tell which bound of an inner loop ends it, and
// records the conditions that make that so everywhere). A condition that is
// false everywhere (a negative constant) is a fault of the prover and is
// refused with std::logic_error.
//
// Not thread-safe: Conditions are in force per thread, and a SymbolicCount
// belongs to the thread that made it.

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vantorb {

using Wide = __int128;

// A product of one to kMaxDegree unknowns, their numbers ascending (an
// unknown may repeat).
struct Monomial {
  static constexpr int kMaxDegree = 4;
  static constexpr std::uint32_t kNone = UINT32_MAX;
  std::array<std::uint32_t, kMaxDegree> factors{kNone, kNone, kNone, kNone};

  static Monomial Of(std::uint32_t variable) { return {{variable, kNone, kNone, kNone}}; }
  int Degree() const;
  bool IsLinear() const { return factors[1] == kNone; }
  friend bool operator==(const Monomial&, const Monomial&) = default;
  friend auto operator<=>(const Monomial&, const Monomial&) = default;
};

// The linear terms of a form: (unknown, coefficient) pairs, a few of them
// held in place (most counts of a loop depend on one length or none), more
// on the heap.
class TermList {
 public:
  struct Term {
    std::uint32_t first;   // the unknown
    std::int64_t second;  // its coefficient
    friend bool operator==(const Term&, const Term&) = default;
  };

  TermList() {}
  ~TermList() {
    if (OnHeap()) delete[] heap_;
  }
  TermList(const TermList& other) { *this = other; }
  // Lists that fit are copied in line: most are one or two terms.
  TermList& operator=(const TermList& other) {
    if (other.size_ > capacity_) return AssignGrown(other);
    if (this == &other) return *this;
    std::copy(other.begin(), other.end(), data());
    size_ = other.size_;
    return *this;
  }
  TermList(TermList&& other) noexcept { *this = std::move(other); }
  TermList& operator=(TermList&& other) noexcept {
    if (this == &other) return *this;
    if (OnHeap()) delete[] heap_;
    if (other.OnHeap()) {
      heap_ = other.heap_;
    } else {
      std::copy(other.inPlace_, other.inPlace_ + other.size_, inPlace_);
    }
    capacity_ = other.capacity_;
    size_ = other.size_;
    other.size_ = 0;
    other.capacity_ = kInPlace;
    return *this;
  }

  const Term* begin() const { return data(); }
  const Term* end() const { return data() + size_; }
  Term* begin() { return data(); }
  Term* end() { return data() + size_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }
  // What the list holds outside itself.
  std::size_t HeapBytes() const { return OnHeap() ? capacity_ * sizeof(Term) : 0; }
  void reserve(std::size_t capacity) {
    if (capacity > capacity_) Grow(capacity);
  }
  void push_back(const Term& term) {
    if (size_ == capacity_) reserve(2 * capacity_);
    data()[size_++] = term;
  }
  friend bool operator==(const TermList& a, const TermList& b);

 private:
  // Up to kInPlace terms are held in place, more on the heap: the place
  // holds either, as capacity_ tells.
  static constexpr std::uint32_t kInPlace = 2;
  bool OnHeap() const { return capacity_ > kInPlace; }
  TermList& AssignGrown(const TermList& other);
  void Grow(std::size_t capacity);
  Term* data() { return OnHeap() ? heap_ : inPlace_; }
  const Term* data() const { return OnHeap() ? heap_ : inPlace_; }

  std::uint32_t size_ = 0, capacity_ = kInPlace;
  union {
    Term inPlace_[kInPlace];
    Term* heap_;
  };
};

// (c + sum a_i * x_i + sum b_m * m) / d: linear terms, then products m of
// two or more unknowns (the crossing of inner loops makes them; they are
// rare, and kept apart so that the linear counts most of a proof handles
// cost what they always cost), each sorted, no zero coefficient, d > 0 and
// prime to the numerator's coefficients together. Arithmetic throws
// NumberException when a coefficient would pass 64 bits or a product
// kMaxDegree unknowns.
class PolyForm {
 public:
  using ProductTerm = std::pair<Monomial, std::int64_t>;

  PolyForm() = default;
  explicit PolyForm(Wide constant) : constant_(constant) {}
  PolyForm(const PolyForm& other)
      : constant_(other.constant_), linear_(other.linear_), rare_(other.rare_ ? CopyOf(*other.rare_) : nullptr) {}
  PolyForm& operator=(const PolyForm& other) {
    if (this == &other) return *this;
    constant_ = other.constant_;
    linear_ = other.linear_;
    if (other.rare_ || rare_) rare_ = other.rare_ ? CopyOf(*other.rare_) : nullptr;
    return *this;
  }
  PolyForm(PolyForm&&) noexcept = default;
  PolyForm& operator=(PolyForm&&) noexcept = default;
  // In line: forms are made and dropped by the million in a proof, and
  // most hold nothing on the heap.
  [[gnu::always_inline]] inline ~PolyForm() {}
  // The unknown x_variable itself.
  static PolyForm Unknown(std::uint32_t variable);

  bool IsConstant() const { return linear_.empty() && (!rare_ || rare_->products.empty()); }
  bool IsLinear() const { return !rare_; }
  // The value of a constant form (its numerator over d, an integer).
  Wide Constant() const { return rare_ ? constant_ / rare_->denominator : constant_; }
  const TermList& Linear() const { return linear_; }
  std::int64_t Denominator() const { return rare_ ? rare_->denominator : 1; }
  int Degree() const;
  // f(monomial, coefficient) for every term, linear ones first.
  template <class F>
  void ForEachTerm(F&& f) const {
    for (const auto& [variable, coefficient] : linear_) f(Monomial::Of(variable), coefficient);
    if (rare_)
      for (const auto& [monomial, coefficient] : rare_->products) f(monomial, coefficient);
  }
  // The unknowns the form depends on, ascending, each once.
  std::vector<std::uint32_t> Variables() const;
  // The value at the point x (x[i] for unknown i); nothing when it passes
  // 127 bits on the way or is no integer.
  std::optional<Wide> At(const std::vector<Wide>& x) const;

  PolyForm& operator+=(const PolyForm& other) {
    return rare_ || other.rare_ ? Combine(other, 1) : CombineLinear(other, 1);
  }
  PolyForm& operator-=(const PolyForm& other) {
    return rare_ || other.rare_ ? Combine(other, -1) : CombineLinear(other, -1);
  }
  PolyForm& operator+=(Wide constant);
  // Made in one pass, without a copy of a first.
  friend PolyForm operator+(const PolyForm& a, const PolyForm& b) { return Combined(a, b, 1); }
  friend PolyForm operator-(const PolyForm& a, const PolyForm& b) { return Combined(a, b, -1); }
  PolyForm operator-() const;
  PolyForm Scaled(std::int64_t factor) const;
  PolyForm Times(const PolyForm& other) const;
  // The form over `divisor` (> 0), which must keep its values integers.
  PolyForm DividedBy(std::int64_t divisor) const;
  // Each unknown x_i replaced by replacements[i].
  PolyForm Substituted(const std::vector<PolyForm>& replacements) const {
    return SubstitutedWith([&replacements](std::uint32_t i) -> const PolyForm& { return replacements[i]; });
  }
  // The same with replacement(i) giving x_i's form: only the unknowns the
  // form holds are asked for.
  template <class Replacement>
  PolyForm SubstitutedWith(Replacement&& replacement) const {
    PolyForm result(constant_);
    ForEachTerm([&](const Monomial& monomial, std::int64_t coefficient) {
      PolyForm term = replacement(monomial.factors[0]).Scaled(coefficient);
      for (int f = 1; f < monomial.Degree(); ++f) term = term.Times(replacement(monomial.factors[f]));
      result += term;
    });
    return result.DividedBy(Denominator());
  }
  // Whether two forms differ by a constant.
  bool ParallelTo(const PolyForm& other) const {
    if (!(linear_ == other.linear_)) return false;
    if (!rare_ && !other.rare_) return true;
    return rare_ && other.rare_ && rare_->denominator == other.rare_->denominator &&
           rare_->products == other.rare_->products;
  }

  // For a condition form >= 0 over the integers: the same condition with
  // the denominator cleared and the coefficients divided by their greatest
  // common divisor.
  PolyForm Reduced() const;
  // Whether Reduced() would give the form itself.
  bool IsReduced() const;
  std::size_t Hash() const;
  std::string Text() const;  // "3 + x0 - 2*x4 + x1*x3", "(1 + x2*x2)/2"
  // What the form holds outside itself.
  std::size_t HeapBytes() const;

 private:
  PolyForm& Combine(const PolyForm& other, std::int64_t sign);
  static PolyForm Combined(const PolyForm& a, const PolyForm& b, std::int64_t sign);
  // The greatest common divisor of the coefficients (0 for a constant).
  std::int64_t CommonDivisor() const;
  // The same for two forms without products or denominator.
  PolyForm& CombineLinear(const PolyForm& other, std::int64_t sign);
  // Most forms have no products and no denominator: nothing to do.
  void Normalize() {
    if (rare_) NormalizeFully();
  }
  void NormalizeFully();
  friend bool operator==(const PolyForm& a, const PolyForm& b);

  // Products and a denominator are rare: they are held apart, out of line,
  // so that a form without them is copied, dropped and combined as cheaply
  // as a list of linear terms. A form has its Rare part only when it has a
  // product or a denominator other than 1.
  struct Rare {
    std::vector<ProductTerm> products;  // sorted, no zero coefficient
    std::int64_t denominator = 1;
  };
  struct RareDeleter {
    void operator()(Rare* rare) const;
  };
  using RarePart = std::unique_ptr<Rare, RareDeleter>;
  static RarePart CopyOf(const Rare& rare);
  // The Rare part, made when there is none.
  Rare& MakeRare();

  Wide constant_ = 0;
  TermList linear_;
  RarePart rare_;
};

// The conditions of one proof: forms that are >= 0. While a Conditions
// object is in force (Scope), every comparison of SymbolicCounts adds to it.
class Conditions {
 public:
  // Throws std::logic_error for a negative constant: no point satisfies it.
  void Require(const PolyForm& atLeastZero);
  const std::vector<PolyForm>& All() const { return all_; }

  // The way the unknowns are expected to move from the witness (a period's
  // change, where it is known): Least settles a tie at the witness towards
  // the count that is the smaller one step along it, so that its condition
  // holds on the way.
  void SetDirection(std::vector<Wide> witness, std::vector<Wide> direction);
  // How a form changes from the witness one step along the direction (0
  // without one, or where it cannot be told).
  Wide SlopeAlong(const PolyForm& form) const;

  class Scope {
   public:
    explicit Scope(Conditions& conditions);
    ~Scope();
    Scope(const Scope&) = delete;
    Scope& operator=(const Scope&) = delete;

   private:
    Conditions* previous_;
  };
  // The Conditions in force in this thread; throws when there are none.
  static Conditions& Current();

 private:
  struct FormHash {
    std::size_t operator()(const PolyForm& form) const { return form.Hash(); }
  };
  std::vector<PolyForm> all_;
  std::unordered_set<PolyForm, FormHash> seen_;
  std::vector<Wide> witness_, direction_, ahead_;  // ahead: witness + direction
};

class CrossingAccess;
// What reads a SymbolicCount's witness: made by the crossing of inner
// loops alone.
class WitnessKey {
  friend class CrossingAccess;
  WitnessKey() = default;
};

class SymbolicCount {
 public:
  SymbolicCount() = default;
  // A count that is the same everywhere.
  SymbolicCount(std::uint64_t constant)  // NOLINT: counts mix with integers
      : form_(static_cast<Wide>(constant)), witness_(static_cast<Wide>(constant)) {}
  SymbolicCount(int constant) : SymbolicCount(static_cast<std::uint64_t>(constant)) {}  // NOLINT
  // The form, worth `witness` at the witness.
  SymbolicCount(PolyForm form, Wide witness) : form_(std::move(form)), witness_(witness) {}

  const PolyForm& Form() const { return form_; }
  Wide Witness(const WitnessKey&) const { return witness_; }

  SymbolicCount& operator+=(const SymbolicCount& other);
  SymbolicCount& operator-=(const SymbolicCount& other);
  friend SymbolicCount operator+(const SymbolicCount& a, const SymbolicCount& b);
  friend SymbolicCount operator-(const SymbolicCount& a, const SymbolicCount& b);
  SymbolicCount Scaled(std::int64_t factor) const;
  SymbolicCount Times(const SymbolicCount& other) const;
  SymbolicCount DividedBy(std::int64_t divisor) const;

  // Decisions, recorded in Conditions::Current() unless the forms differ
  // by a constant.
  friend bool operator<(const SymbolicCount& a, const SymbolicCount& b);
  friend bool operator<=(const SymbolicCount& a, const SymbolicCount& b);
  friend bool operator==(const SymbolicCount& a, const SymbolicCount& b);
  friend bool operator>(const SymbolicCount& a, const SymbolicCount& b) { return b < a; }
  friend bool operator>=(const SymbolicCount& a, const SymbolicCount& b) { return b <= a; }
  friend bool operator!=(const SymbolicCount& a, const SymbolicCount& b) { return !(a == b); }
  friend bool operator<(const SymbolicCount& a, int b) { return a < SymbolicCount(b); }
  friend bool operator<=(const SymbolicCount& a, int b) { return a <= SymbolicCount(b); }
  friend bool operator==(const SymbolicCount& a, int b) { return a == SymbolicCount(b); }
  friend bool operator>(const SymbolicCount& a, int b) { return SymbolicCount(b) < a; }
  friend bool operator>=(const SymbolicCount& a, int b) { return SymbolicCount(b) <= a; }
  friend bool operator!=(const SymbolicCount& a, int b) { return !(a == SymbolicCount(b)); }

  // The smaller of two counts (the first on a tie with the same form); a
  // tie at the witness between different forms goes the way of the
  // direction of Conditions::Current().
  friend SymbolicCount Least(const SymbolicCount& a, const SymbolicCount& b);

 private:
  PolyForm form_;
  Wide witness_ = 0;
};

}  // namespace vantorb
