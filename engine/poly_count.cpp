#include "engine/poly_count.hpp"

#include <algorithm>
#include <numeric>
#include <stdexcept>

#include "network/exceptions.hpp"

namespace vantorb {
namespace {

thread_local Conditions* inForce = nullptr;

[[noreturn]] void TooLarge() {
  throw NumberException("A loop's run lengths change too fast to prove");
}

std::int64_t Narrow(Wide value) {
  if (value > INT64_MAX || value < -INT64_MAX) TooLarge();
  return static_cast<std::int64_t>(value);
}

Wide Product(Wide a, Wide b) {
  Wide product = 0;
  if (__builtin_mul_overflow(a, b, &product)) TooLarge();
  return product;
}

Wide Sum(Wide a, Wide b) {
  Wide sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) TooLarge();
  return sum;
}

Wide Magnitude(Wide value) { return value < 0 ? -value : value; }

Wide Gcd(Wide a, Wide b) {
  a = Magnitude(a);
  b = Magnitude(b);
  while (b != 0) {
    const Wide r = a % b;
    a = b;
    b = r;
  }
  return a;
}

// floor(a / b) for b > 0.
Wide FloorDivide(Wide a, Wide b) {
  const Wide q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

std::string WideText(Wide value) {
  if (value == 0) return "0";
  const bool negative = value < 0;
  unsigned __int128 magnitude = negative ? static_cast<unsigned __int128>(-(value + 1)) + 1
                                         : static_cast<unsigned __int128>(value);
  std::string text;
  while (magnitude > 0) {
    text += static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  }
  if (negative) text += '-';
  return {text.rbegin(), text.rend()};
}

Monomial MonomialProduct(const Monomial& a, const Monomial& b) {
  if (a.Degree() + b.Degree() > Monomial::kMaxDegree) TooLarge();
  Monomial product;
  std::merge(a.factors.begin(), a.factors.begin() + a.Degree(), b.factors.begin(),
             b.factors.begin() + b.Degree(), product.factors.begin());
  return product;
}

}  // namespace

int Monomial::Degree() const {
  int degree = 0;
  while (degree < kMaxDegree && factors[degree] != kNone) ++degree;
  return degree;
}

TermList& TermList::AssignGrown(const TermList& other) {
  size_ = 0;
  reserve(other.size_);
  std::copy(other.begin(), other.end(), data());
  size_ = other.size_;
  return *this;
}

void TermList::Grow(std::size_t capacity) {
  Term* grown = new Term[capacity];
  std::copy(begin(), end(), grown);
  if (OnHeap()) delete[] heap_;
  heap_ = grown;
  capacity_ = static_cast<std::uint32_t>(capacity);
}

bool operator==(const TermList& a, const TermList& b) {
  return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
}

void PolyForm::RareDeleter::operator()(Rare* rare) const { delete rare; }

PolyForm::RarePart PolyForm::CopyOf(const Rare& rare) { return RarePart(new Rare(rare)); }

PolyForm::Rare& PolyForm::MakeRare() {
  if (!rare_) rare_ = RarePart(new Rare);
  return *rare_;
}

PolyForm PolyForm::Unknown(std::uint32_t variable) {
  PolyForm form;
  form.linear_.push_back({variable, 1});
  return form;
}

int PolyForm::Degree() const {
  int degree = linear_.empty() ? 0 : 1;
  if (rare_)
    for (const auto& product : rare_->products) degree = std::max(degree, product.first.Degree());
  return degree;
}

std::vector<std::uint32_t> PolyForm::Variables() const {
  std::vector<std::uint32_t> variables;
  ForEachTerm([&variables](const Monomial& monomial, std::int64_t) {
    for (int f = 0; f < monomial.Degree(); ++f) variables.push_back(monomial.factors[f]);
  });
  std::sort(variables.begin(), variables.end());
  variables.erase(std::unique(variables.begin(), variables.end()), variables.end());
  return variables;
}

std::optional<Wide> PolyForm::At(const std::vector<Wide>& x) const {
  // Most forms are a few linear terms at lengths far below 2^60: each
  // term then stays below 2^123, their sum, and the constant's, below
  // 2^127, and nothing needs checking term by term.
  constexpr Wide kSmall = Wide{1} << 60;
  constexpr Wide kSmallConstant = Wide{1} << 125;
  if (!rare_ && linear_.size() <= 2 && constant_ < kSmallConstant && constant_ > -kSmallConstant) {
    Wide value = constant_;
    bool small = true;
    for (const auto& [variable, coefficient] : linear_) {
      const Wide at = x[variable];
      if (at >= kSmall || at <= -kSmall) {
        small = false;
        break;
      }
      value += static_cast<Wide>(coefficient) * at;
    }
    if (small) return value;
  }
  Wide value = constant_;
  for (const auto& [variable, coefficient] : linear_) {
    Wide term = 0;
    if (__builtin_mul_overflow(static_cast<Wide>(coefficient), x[variable], &term) ||
        __builtin_add_overflow(value, term, &value))
      return std::nullopt;
  }
  if (rare_) {
    for (const auto& [monomial, coefficient] : rare_->products) {
      Wide term = coefficient;
      for (int f = 0; f < monomial.Degree(); ++f)
        if (__builtin_mul_overflow(term, x[monomial.factors[f]], &term)) return std::nullopt;
      if (__builtin_add_overflow(value, term, &value)) return std::nullopt;
    }
  }
  const std::int64_t denominator = Denominator();
  if (denominator != 1) {
    if (value % denominator != 0) return std::nullopt;
    value /= denominator;
  }
  return value;
}

// Numerator and denominator prime to each other, the denominator positive;
// no Rare part where there is nothing rare.
void PolyForm::NormalizeFully() {
  Rare& rare = *rare_;
  if (rare.denominator != 1) {
    Wide divisor = Gcd(rare.denominator, constant_);
    for (const auto& term : linear_) divisor = Gcd(divisor, term.second);
    for (const auto& term : rare.products) divisor = Gcd(divisor, term.second);
    if (divisor > 1) {
      constant_ /= divisor;
      for (auto& term : linear_) term.second = static_cast<std::int64_t>(term.second / divisor);
      for (auto& term : rare.products) term.second = static_cast<std::int64_t>(term.second / divisor);
      rare.denominator = static_cast<std::int64_t>(rare.denominator / divisor);
    }
  }
  if (rare.denominator == 1 && rare.products.empty()) rare_.reset();
}

PolyForm& PolyForm::operator+=(Wide constant) {
  constant_ = Sum(constant_, Product(constant, Denominator()));
  Normalize();
  return *this;
}

namespace {

// A coefficient times a small factor, in 64 bits unless it passes them.
std::int64_t Times64(std::int64_t coefficient, std::int64_t factor) {
  std::int64_t product = 0;
  if (__builtin_mul_overflow(coefficient, factor, &product) || product == INT64_MIN) TooLarge();
  return product;
}

// mine * a + theirs * b, two sorted lists of terms merged, zeros dropped.
template <class List, class Terms>
void Merge(List& into, const Terms& a, const Terms& b, std::int64_t mine, std::int64_t theirs) {
  auto i = a.begin();
  auto j = b.begin();
  while (i != a.end() || j != b.end()) {
    if (j == b.end() || (i != a.end() && i->first < j->first)) {
      into.push_back({i->first, Times64(i->second, mine)});
      ++i;
    } else if (i == a.end() || j->first < i->first) {
      into.push_back({j->first, Times64(j->second, theirs)});
      ++j;
    } else {
      std::int64_t sum = 0;
      if (__builtin_add_overflow(Times64(i->second, mine), Times64(j->second, theirs), &sum) ||
          sum == INT64_MIN)
        TooLarge();
      if (sum != 0) into.push_back({i->first, sum});
      ++i;
      ++j;
    }
  }
}

// a + sign * b for sign 1 or -1: the common case, without products.
void MergeSigned(TermList& into, const TermList& a, const TermList& b, std::int64_t sign) {
  auto i = a.begin();
  auto j = b.begin();
  while (i != a.end() || j != b.end()) {
    if (j == b.end() || (i != a.end() && i->first < j->first)) {
      into.push_back(*i++);
    } else if (i == a.end() || j->first < i->first) {
      if (j->second == INT64_MIN) TooLarge();
      into.push_back({j->first, sign * j->second});
      ++j;
    } else {
      std::int64_t sum = 0;
      if ((sign == 1 ? __builtin_add_overflow(i->second, j->second, &sum)
                     : __builtin_sub_overflow(i->second, j->second, &sum)) ||
          sum == INT64_MIN)
        TooLarge();
      if (sum != 0) into.push_back({i->first, sum});
      ++i;
      ++j;
    }
  }
}

}  // namespace

PolyForm& PolyForm::CombineLinear(const PolyForm& other, std::int64_t sign) {
  if (sign == 1 ? __builtin_add_overflow(constant_, other.constant_, &constant_)
                : __builtin_sub_overflow(constant_, other.constant_, &constant_))
    TooLarge();
  if (other.linear_.empty()) return *this;
  TermList merged;
  merged.reserve(linear_.size() + other.linear_.size());
  MergeSigned(merged, linear_, other.linear_, sign);
  linear_ = std::move(merged);
  return *this;
}

PolyForm PolyForm::Combined(const PolyForm& a, const PolyForm& b, std::int64_t sign) {
  PolyForm combined;
  if (a.rare_ || b.rare_) {
    combined = a;
    combined.Combine(b, sign);
    return combined;
  }
  if (sign == 1 ? __builtin_add_overflow(a.constant_, b.constant_, &combined.constant_)
                : __builtin_sub_overflow(a.constant_, b.constant_, &combined.constant_))
    TooLarge();
  if (b.linear_.empty()) {
    combined.linear_ = a.linear_;
  } else if (a.linear_.empty() && sign == 1) {
    combined.linear_ = b.linear_;
  } else {
    combined.linear_.reserve(a.linear_.size() + b.linear_.size());
    MergeSigned(combined.linear_, a.linear_, b.linear_, sign);
  }
  return combined;
}

PolyForm& PolyForm::Combine(const PolyForm& other, std::int64_t sign) {
  // Over the least common denominator.
  const std::int64_t denominator = Denominator(), otherDenominator = other.Denominator();
  std::int64_t mine = 1, theirs = sign;
  if (denominator != 1 || otherDenominator != 1) {
    const Wide common = Product(denominator / Gcd(denominator, otherDenominator), otherDenominator);
    mine = Narrow(common / denominator);
    theirs = Narrow(common / otherDenominator * sign);
    MakeRare().denominator = Narrow(common);
  }
  constant_ = Sum(Product(constant_, mine), Product(other.constant_, theirs));
  if (!other.linear_.empty() || mine != 1) {
    TermList merged;
    merged.reserve(linear_.size() + other.linear_.size());
    Merge(merged, linear_, other.linear_, mine, theirs);
    linear_ = std::move(merged);
  }
  const bool mineHasProducts = rare_ && !rare_->products.empty();
  const bool theirsHaveProducts = other.rare_ && !other.rare_->products.empty();
  if (theirsHaveProducts || (mineHasProducts && mine != 1)) {
    static const std::vector<ProductTerm> kNone;
    std::vector<ProductTerm> merged;
    Merge(merged, mineHasProducts ? rare_->products : kNone,
          theirsHaveProducts ? other.rare_->products : kNone, mine, theirs);
    MakeRare().products = std::move(merged);
  }
  Normalize();
  return *this;
}

PolyForm PolyForm::operator-() const { return Scaled(-1); }

PolyForm PolyForm::Scaled(std::int64_t factor) const {
  PolyForm scaled;
  if (factor == 0) return scaled;
  scaled.constant_ = Product(constant_, factor);
  scaled.linear_ = linear_;
  for (auto& term : scaled.linear_) term.second = Times64(term.second, factor);
  if (rare_) {
    scaled.rare_ = CopyOf(*rare_);
    for (auto& term : scaled.rare_->products) term.second = Times64(term.second, factor);
  }
  scaled.Normalize();
  return scaled;
}

PolyForm PolyForm::Times(const PolyForm& other) const {
  if (IsConstant() && !rare_) return other.Scaled(Narrow(constant_));
  if (other.IsConstant() && !other.rare_) return Scaled(Narrow(other.constant_));
  // Every term of one times every term of the other, the constants as
  // terms of degree 0.
  std::vector<ProductTerm> left, right;
  const auto collect = [](const PolyForm& form, std::vector<ProductTerm>& terms) {
    form.ForEachTerm([&terms](const Monomial& m, std::int64_t c) { terms.push_back({m, c}); });
  };
  collect(*this, left);
  collect(other, right);
  PolyForm product(Product(constant_, other.constant_));
  const auto add = [&product](const Monomial& monomial, std::int64_t coefficient) {
    if (coefficient == 0) return;
    PolyForm term;
    if (monomial.IsLinear()) {
      term.linear_.push_back({monomial.factors[0], coefficient});
    } else {
      term.MakeRare().products.push_back({monomial, coefficient});
    }
    product += term;
  };
  for (const auto& [monomial, coefficient] : right) add(monomial, Narrow(Product(constant_, coefficient)));
  for (const auto& [monomial, coefficient] : left) {
    add(monomial, Narrow(Product(coefficient, other.constant_)));
    for (const auto& [otherMonomial, otherCoefficient] : right)
      add(MonomialProduct(monomial, otherMonomial), Narrow(Product(coefficient, otherCoefficient)));
  }
  return product.DividedBy(Narrow(Product(Denominator(), other.Denominator())));
}

PolyForm PolyForm::DividedBy(std::int64_t divisor) const {
  PolyForm divided = *this;
  const std::int64_t denominator = Narrow(Product(Denominator(), divisor));
  if (denominator == 1) return divided;
  divided.MakeRare().denominator = denominator;
  divided.Normalize();
  return divided;
}

bool operator==(const PolyForm& a, const PolyForm& b) {
  return a.constant_ == b.constant_ && a.ParallelTo(b);
}

std::int64_t PolyForm::CommonDivisor() const {
  std::int64_t divisor = 0;
  for (const auto& term : linear_) divisor = std::gcd(divisor, term.second);
  if (rare_)
    for (const auto& term : rare_->products) divisor = std::gcd(divisor, term.second);
  return divisor;
}

bool PolyForm::IsReduced() const { return !rare_ && CommonDivisor() <= 1; }

PolyForm PolyForm::Reduced() const {
  // num / d >= 0 where num >= 0: the numerator alone.
  PolyForm reduced = *this;
  if (reduced.rare_) {
    reduced.rare_->denominator = 1;
    if (reduced.rare_->products.empty()) reduced.rare_.reset();
  }
  const std::int64_t divisor = reduced.CommonDivisor();
  if (divisor <= 1) return reduced;
  reduced.constant_ = FloorDivide(reduced.constant_, divisor);
  for (auto& term : reduced.linear_) term.second /= divisor;
  if (reduced.rare_)
    for (auto& term : reduced.rare_->products) term.second /= divisor;
  return reduced;
}

std::size_t PolyForm::HeapBytes() const {
  std::size_t bytes = linear_.HeapBytes();
  if (rare_) bytes += sizeof(Rare) + rare_->products.capacity() * sizeof(ProductTerm);
  return bytes;
}

std::size_t PolyForm::Hash() const {
  std::size_t hash = std::hash<std::int64_t>()(static_cast<std::int64_t>(constant_)) ^
                     std::hash<std::int64_t>()(static_cast<std::int64_t>(constant_ >> 64)) ^
                     static_cast<std::size_t>(Denominator()) * 0x9e3779b97f4a7c15ULL;
  for (const auto& [variable, coefficient] : linear_)
    hash = hash * 1000003u ^ (static_cast<std::size_t>(variable) * 31 + static_cast<std::size_t>(coefficient));
  if (rare_) {
    for (const auto& [monomial, coefficient] : rare_->products) {
      for (const std::uint32_t factor : monomial.factors) hash = hash * 31 + factor;
      hash = hash * 1000003u ^ static_cast<std::size_t>(coefficient);
    }
  }
  return hash;
}

std::string PolyForm::Text() const {
  std::string text = WideText(constant_);
  ForEachTerm([&text](const Monomial& monomial, std::int64_t coefficient) {
    text += coefficient < 0 ? " - " : " + ";
    const Wide magnitude = Magnitude(coefficient);
    if (magnitude != 1) {
      text += WideText(magnitude);
      text += '*';
    }
    for (int f = 0; f < monomial.Degree(); ++f) {
      if (f > 0) text += '*';
      text += 'x';
      text += std::to_string(monomial.factors[f]);
    }
  });
  if (!rare_ || rare_->denominator == 1) return text;
  return "(" + text + ")/" + std::to_string(rare_->denominator);
}

void Conditions::Require(const PolyForm& atLeastZero) {
  if (atLeastZero.IsConstant()) {
    // Decided everywhere alike: a false one means a decision went against
    // the witness.
    if (atLeastZero.Constant() < 0)
      throw std::logic_error("A proof's condition holds nowhere: " + atLeastZero.Text() + " >= 0");
    return;
  }
  if (atLeastZero.IsReduced()) {
    // Most conditions are, and most were required before: no copy then.
    if (seen_.insert(atLeastZero).second) all_.push_back(atLeastZero);
    return;
  }
  PolyForm reduced = atLeastZero.Reduced();
  if (seen_.insert(reduced).second) all_.push_back(std::move(reduced));
}

void Conditions::SetDirection(std::vector<Wide> witness, std::vector<Wide> direction) {
  witness_ = std::move(witness);
  direction_ = std::move(direction);
  ahead_ = witness_;
  for (std::size_t i = 0; i < ahead_.size() && i < direction_.size(); ++i) ahead_[i] += direction_[i];
}

Wide Conditions::SlopeAlong(const PolyForm& form) const {
  if (direction_.empty()) return 0;
  if (form.IsLinear()) {
    // The coefficients along the direction: no point to evaluate.
    Wide slope = 0;
    for (const auto& [variable, coefficient] : form.Linear())
      if (variable < direction_.size()) slope += coefficient * direction_[variable];
    return slope;
  }
  const auto here = form.At(witness_), there = form.At(ahead_);
  return here && there ? *there - *here : 0;
}

Conditions::Scope::Scope(Conditions& conditions) : previous_(inForce) { inForce = &conditions; }

Conditions::Scope::~Scope() { inForce = previous_; }

Conditions& Conditions::Current() {
  if (inForce == nullptr) throw NeuroException("A count compared outside a proof");
  return *inForce;
}

SymbolicCount& SymbolicCount::operator+=(const SymbolicCount& other) {
  form_ += other.form_;
  witness_ = Sum(witness_, other.witness_);
  return *this;
}

SymbolicCount& SymbolicCount::operator-=(const SymbolicCount& other) {
  form_ -= other.form_;
  witness_ = Sum(witness_, -other.witness_);
  return *this;
}

SymbolicCount operator+(const SymbolicCount& a, const SymbolicCount& b) {
  return SymbolicCount(a.form_ + b.form_, Sum(a.witness_, b.witness_));
}

SymbolicCount operator-(const SymbolicCount& a, const SymbolicCount& b) {
  return SymbolicCount(a.form_ - b.form_, Sum(a.witness_, -b.witness_));
}

SymbolicCount SymbolicCount::Scaled(std::int64_t factor) const {
  return SymbolicCount(form_.Scaled(factor), Product(witness_, factor));
}

SymbolicCount SymbolicCount::Times(const SymbolicCount& other) const {
  return SymbolicCount(form_.Times(other.form_), Product(witness_, other.witness_));
}

SymbolicCount SymbolicCount::DividedBy(std::int64_t divisor) const {
  return SymbolicCount(form_.DividedBy(divisor), witness_ / divisor);
}

namespace {

// Whether two forms differ by a constant: then every comparison of them is
// decided everywhere alike.
bool Parallel(const PolyForm& a, const PolyForm& b) { return a.ParallelTo(b); }

}  // namespace

SymbolicCount Least(const SymbolicCount& a, const SymbolicCount& b) {
  if (b.witness_ != a.witness_ || Parallel(a.form_, b.form_)) return b < a ? b : a;
  const PolyForm gap = b.form_ - a.form_;
  // Equal here: the one that goes below the other along the direction.
  Conditions& conditions = Conditions::Current();
  if (conditions.SlopeAlong(gap) < 0) {
    conditions.Require(-gap);
    return b;
  }
  conditions.Require(gap);
  return a;
}

bool operator<(const SymbolicCount& a, const SymbolicCount& b) {
  const bool less = b.witness_ - a.witness_ >= 1;
  if (Parallel(a.form_, b.form_)) return less;  // decided everywhere alike
  PolyForm gap = b.form_ - a.form_;  // a < b: gap >= 1
  if (less) {
    gap += -1;
    Conditions::Current().Require(gap);
  } else {
    Conditions::Current().Require(-gap);
  }
  return less;
}

bool operator<=(const SymbolicCount& a, const SymbolicCount& b) {
  const bool atMost = b.witness_ - a.witness_ >= 0;
  if (Parallel(a.form_, b.form_)) return atMost;
  const PolyForm gap = b.form_ - a.form_;  // a <= b: gap >= 0
  if (atMost) {
    Conditions::Current().Require(gap);
  } else {
    PolyForm below = -gap;
    below += -1;
    Conditions::Current().Require(below);
  }
  return atMost;
}

bool operator==(const SymbolicCount& a, const SymbolicCount& b) {
  const Wide at = a.witness_ - b.witness_;
  if (Parallel(a.form_, b.form_)) return at == 0;
  PolyForm gap = a.form_ - b.form_;
  Conditions& conditions = Conditions::Current();
  if (at == 0) {
    conditions.Require(gap);
    conditions.Require(-gap);
  } else if (at > 0) {
    gap += -1;
    conditions.Require(gap);
  } else {
    PolyForm below = -gap;
    below += -1;
    conditions.Require(below);
  }
  return at == 0;
}

}  // namespace vantorb
