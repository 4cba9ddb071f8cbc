#pragma once
// Counts of limbs as a prover sees them. A loop's state is proved for every
// value of its run lengths at once: each length of the state a proof starts
// from is an unknown x_i, and every count computed from them is a linear
// form c + sum a_i * x_i (LinearForm). A LinearCount is such a form with
// its value at one point, the witness: the run lengths the engine holds
// when the proof starts.
//
// A comparison of two LinearCounts answers as it does at the witness and
// adds to the Conditions in force the linear condition under which that
// answer holds, so that the run algorithms, written once for any count
// type (network/run_arithmetic.hpp), take at every other point satisfying
// the conditions the decisions they took at the witness. A condition is
// "form >= 0"; an equality is two of them; an inequality is strengthened
// to the side the witness lies on. Comparisons made while no Conditions
// are in force throw.
//
// Not thread-safe: Conditions are in force per thread, and a LinearCount
// belongs to the thread that made it.

#include <cstdint>
#include <memory>
#include <string>
#include <unordered_set>
#include <utility>
#include <vector>

namespace vantorb {

using Wide = __int128;

// The terms of a form: (unknown, coefficient) pairs, a few of them held in
// place (most counts of a loop depend on one length or none), more on the
// heap.
class TermList {
 public:
  using Term = std::pair<std::uint32_t, std::int64_t>;

  TermList() = default;
  TermList(const TermList& other) { *this = other; }
  TermList& operator=(const TermList& other);
  TermList(TermList&& other) noexcept { *this = std::move(other); }
  TermList& operator=(TermList&& other) noexcept;

  const Term* begin() const { return data(); }
  const Term* end() const { return data() + size_; }
  Term* begin() { return data(); }
  Term* end() { return data() + size_; }
  std::size_t size() const { return size_; }
  bool empty() const { return size_ == 0; }
  void clear() { size_ = 0; }
  void reserve(std::size_t capacity);
  void push_back(const Term& term) {
    if (size_ == capacity_) reserve(2 * capacity_);
    data()[size_++] = term;
  }
  void swap(TermList& other) noexcept { std::swap(*this, other); }
  friend bool operator==(const TermList& a, const TermList& b);

 private:
  static constexpr std::uint32_t kInPlace = 2;
  Term* data() { return heap_ ? heap_.get() : inPlace_; }
  const Term* data() const { return heap_ ? heap_.get() : inPlace_; }

  std::uint32_t size_ = 0, capacity_ = kInPlace;
  Term inPlace_[kInPlace];
  std::unique_ptr<Term[]> heap_;
};

// c + sum a_i * x_i, the terms sorted by unknown, no zero coefficient.
class LinearForm {
 public:
  LinearForm() = default;
  explicit LinearForm(Wide constant) : constant_(constant) {}
  // The unknown x_variable itself.
  static LinearForm Unknown(std::uint32_t variable);

  Wide Constant() const { return constant_; }
  const TermList& Terms() const { return terms_; }
  bool IsConstant() const { return terms_.empty(); }
  // The value at the point x (x[i] for unknown i).
  Wide At(const std::vector<Wide>& x) const;

  LinearForm& operator+=(const LinearForm& other) { return Combine(other, 1); }
  LinearForm& operator-=(const LinearForm& other) { return Combine(other, -1); }
  LinearForm& operator+=(Wide constant) {
    constant_ += constant;
    return *this;
  }
  friend LinearForm operator+(LinearForm a, const LinearForm& b) { return a += b; }
  friend LinearForm operator-(LinearForm a, const LinearForm& b) { return a -= b; }
  LinearForm operator-() const;
  // The form times a factor; throws NeuroException past 64-bit coefficients.
  LinearForm Scaled(std::int64_t factor) const;
  friend bool operator==(const LinearForm&, const LinearForm&) = default;

  // For a condition form >= 0 over integers: the same condition with the
  // coefficients divided by their greatest common divisor.
  LinearForm Reduced() const;
  std::size_t Hash() const;
  std::string Text() const;  // "3 + x0 - 2*x4", for messages and tests

 private:
  LinearForm& Combine(const LinearForm& other, std::int64_t sign);

  Wide constant_ = 0;
  TermList terms_;
};

// The conditions of one proof: forms that are >= 0. While a Conditions
// object is in force (Scope), every comparison of LinearCounts adds to it.
// Arithmetic on forms throws NumberException when a coefficient would pass
// 64 bits.
class Conditions {
 public:
  void Require(const LinearForm& atLeastZero);
  const std::vector<LinearForm>& All() const { return all_; }

  // The way the unknowns are expected to move (a period's change, where it
  // is known): Least settles a tie at the witness towards the count that is
  // the smaller along it, so that its condition holds on the way.
  void SetDirection(std::vector<Wide> direction) { direction_ = std::move(direction); }
  // How a form changes along the direction (0 without one).
  Wide SlopeAlong(const LinearForm& form) const;

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
    std::size_t operator()(const LinearForm& form) const { return form.Hash(); }
  };
  std::vector<LinearForm> all_;
  std::unordered_set<LinearForm, FormHash> seen_;
  std::vector<Wide> direction_;
};

class LinearCount {
 public:
  LinearCount() = default;
  // A count that is the same everywhere.
  LinearCount(std::uint64_t constant)  // NOLINT: counts mix with integers
      : form_(static_cast<Wide>(constant)), witness_(static_cast<Wide>(constant)) {}
  LinearCount(int constant) : LinearCount(static_cast<std::uint64_t>(constant)) {}  // NOLINT
  // The form, worth `witness` at the witness.
  LinearCount(LinearForm form, Wide witness) : form_(std::move(form)), witness_(witness) {}

  const LinearForm& Form() const { return form_; }
  Wide Witness() const { return witness_; }

  LinearCount& operator+=(const LinearCount& other);
  LinearCount& operator-=(const LinearCount& other);
  friend LinearCount operator+(LinearCount a, const LinearCount& b) { return a += b; }
  friend LinearCount operator-(LinearCount a, const LinearCount& b) { return a -= b; }
  // The count times a constant factor.
  LinearCount Scaled(std::int64_t factor) const;

  // Decisions, recorded in Conditions::Current() unless the forms differ
  // by a constant.
  friend bool operator<(const LinearCount& a, const LinearCount& b);
  friend bool operator<=(const LinearCount& a, const LinearCount& b);
  friend bool operator==(const LinearCount& a, const LinearCount& b);
  friend bool operator>(const LinearCount& a, const LinearCount& b) { return b < a; }
  friend bool operator>=(const LinearCount& a, const LinearCount& b) { return b <= a; }
  friend bool operator!=(const LinearCount& a, const LinearCount& b) { return !(a == b); }
  friend bool operator<(const LinearCount& a, int b) { return a < LinearCount(b); }
  friend bool operator<=(const LinearCount& a, int b) { return a <= LinearCount(b); }
  friend bool operator==(const LinearCount& a, int b) { return a == LinearCount(b); }
  friend bool operator>(const LinearCount& a, int b) { return LinearCount(b) < a; }
  friend bool operator>=(const LinearCount& a, int b) { return LinearCount(b) <= a; }
  friend bool operator!=(const LinearCount& a, int b) { return !(a == LinearCount(b)); }

  // The smaller of two counts (the first on a tie with the same form); a
  // tie at the witness between different forms goes the way of the
  // direction of Conditions::Current().
  friend LinearCount Least(const LinearCount& a, const LinearCount& b);

 private:
  LinearForm form_;
  Wide witness_ = 0;
};

}  // namespace vantorb
