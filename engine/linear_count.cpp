#include "engine/linear_count.hpp"

#include <algorithm>
#include <numeric>

#include "network/exceptions.hpp"

namespace vantorb {
namespace {

thread_local Conditions* inForce = nullptr;

std::int64_t Narrow(Wide value) {
  if (value > INT64_MAX || value < -INT64_MAX)
    throw NumberException("A loop's run lengths change too fast to prove");
  return static_cast<std::int64_t>(value);
}

std::string WideText(Wide value) {
  if (value == 0) return "0";
  const bool negative = value < 0;
  unsigned __int128 magnitude =
      negative ? static_cast<unsigned __int128>(-(value + 1)) + 1 : static_cast<unsigned __int128>(value);
  std::string text;
  while (magnitude > 0) {
    text += static_cast<char>('0' + static_cast<int>(magnitude % 10));
    magnitude /= 10;
  }
  if (negative) text += '-';
  return {text.rbegin(), text.rend()};
}

// floor(a / b) for b > 0.
Wide FloorDivide(Wide a, Wide b) {
  const Wide q = a / b;
  return (a % b != 0 && a < 0) ? q - 1 : q;
}

}  // namespace

TermList& TermList::operator=(const TermList& other) {
  if (this == &other) return *this;
  size_ = 0;
  reserve(other.size_);
  std::copy(other.begin(), other.end(), data());
  size_ = other.size_;
  return *this;
}

TermList& TermList::operator=(TermList&& other) noexcept {
  if (this == &other) return *this;
  if (other.heap_) {
    heap_ = std::move(other.heap_);
    capacity_ = other.capacity_;
  } else {
    heap_.reset();
    capacity_ = kInPlace;
    std::copy(other.inPlace_, other.inPlace_ + other.size_, inPlace_);
  }
  size_ = other.size_;
  other.size_ = 0;
  other.capacity_ = kInPlace;
  return *this;
}

void TermList::reserve(std::size_t capacity) {
  if (capacity <= capacity_) return;
  auto grown = std::make_unique<Term[]>(capacity);
  std::copy(begin(), end(), grown.get());
  heap_ = std::move(grown);
  capacity_ = static_cast<std::uint32_t>(capacity);
}

bool operator==(const TermList& a, const TermList& b) {
  return a.size_ == b.size_ && std::equal(a.begin(), a.end(), b.begin());
}

LinearForm LinearForm::Unknown(std::uint32_t variable) {
  LinearForm form;
  form.terms_.push_back({variable, 1});
  return form;
}

Wide LinearForm::At(const std::vector<Wide>& x) const {
  Wide value = constant_;
  for (const auto& [variable, coefficient] : terms_) value += coefficient * x[variable];
  return value;
}

LinearForm& LinearForm::Combine(const LinearForm& other, std::int64_t sign) {
  constant_ += sign * other.constant_;
  if (other.terms_.empty()) return *this;
  TermList merged;
  merged.reserve(terms_.size() + other.terms_.size());
  const TermList& mine = terms_;
  auto a = mine.begin();
  auto b = other.terms_.begin();
  while (a != mine.end() || b != other.terms_.end()) {
    if (b == other.terms_.end() || (a != mine.end() && a->first < b->first)) {
      merged.push_back(*a++);
    } else if (a == mine.end() || b->first < a->first) {
      merged.push_back({b->first, Narrow(static_cast<Wide>(sign) * b->second)});
      ++b;
    } else {
      const std::int64_t sum = Narrow(static_cast<Wide>(a->second) + sign * b->second);
      if (sum != 0) merged.push_back({a->first, sum});
      ++a;
      ++b;
    }
  }
  terms_ = std::move(merged);
  return *this;
}

LinearForm LinearForm::operator-() const {
  LinearForm negated;
  negated.constant_ = -constant_;
  negated.terms_ = terms_;
  for (auto& term : negated.terms_) term.second = -term.second;
  return negated;
}

LinearForm LinearForm::Scaled(std::int64_t factor) const {
  LinearForm scaled;
  if (factor == 0) return scaled;
  scaled.constant_ = constant_ * factor;
  scaled.terms_ = terms_;
  for (auto& term : scaled.terms_) term.second = Narrow(static_cast<Wide>(term.second) * factor);
  return scaled;
}

LinearForm LinearForm::Reduced() const {
  std::int64_t divisor = 0;
  for (const auto& term : terms_) divisor = std::gcd(divisor, term.second);
  if (divisor <= 1) return *this;
  LinearForm reduced;
  reduced.constant_ = FloorDivide(constant_, divisor);
  reduced.terms_ = terms_;
  for (auto& term : reduced.terms_) term.second /= divisor;
  return reduced;
}

std::size_t LinearForm::Hash() const {
  std::size_t hash = std::hash<std::int64_t>()(static_cast<std::int64_t>(constant_)) ^
                     std::hash<std::int64_t>()(static_cast<std::int64_t>(constant_ >> 64));
  for (const auto& [variable, coefficient] : terms_)
    hash = hash * 1000003u ^ (static_cast<std::size_t>(variable) * 31 + static_cast<std::size_t>(coefficient));
  return hash;
}

std::string LinearForm::Text() const {
  std::string text = WideText(constant_);
  for (const auto& [variable, coefficient] : terms_) {
    text += coefficient < 0 ? " - " : " + ";
    const Wide magnitude = coefficient < 0 ? -static_cast<Wide>(coefficient) : coefficient;
    if (magnitude != 1) {
      text += WideText(magnitude);
      text += '*';
    }
    text += 'x';
    text += std::to_string(variable);
  }
  return text;
}

void Conditions::Require(const LinearForm& atLeastZero) {
  if (atLeastZero.IsConstant()) return;  // decided everywhere alike
  LinearForm reduced = atLeastZero.Reduced();
  if (seen_.insert(reduced).second) all_.push_back(std::move(reduced));
}

Wide Conditions::SlopeAlong(const LinearForm& form) const {
  Wide slope = 0;
  for (const auto& [variable, coefficient] : form.Terms())
    if (variable < direction_.size()) slope += coefficient * direction_[variable];
  return slope;
}

Conditions::Scope::Scope(Conditions& conditions) : previous_(inForce) { inForce = &conditions; }

Conditions::Scope::~Scope() { inForce = previous_; }

Conditions& Conditions::Current() {
  if (inForce == nullptr) throw NeuroException("A count compared outside a proof");
  return *inForce;
}

LinearCount& LinearCount::operator+=(const LinearCount& other) {
  form_ += other.form_;
  witness_ += other.witness_;
  return *this;
}

LinearCount& LinearCount::operator-=(const LinearCount& other) {
  form_ -= other.form_;
  witness_ -= other.witness_;
  return *this;
}

LinearCount LinearCount::Scaled(std::int64_t factor) const {
  return LinearCount(form_.Scaled(factor), witness_ * factor);
}

LinearCount Least(const LinearCount& a, const LinearCount& b) {
  if (b.witness_ != a.witness_ || a.form_.Terms() == b.form_.Terms()) return b < a ? b : a;
  const LinearForm gap = b.form_ - a.form_;
  // Equal here: the one that goes below the other along the direction.
  Conditions& conditions = Conditions::Current();
  if (conditions.SlopeAlong(gap) < 0) {
    conditions.Require(-gap);
    return b;
  }
  conditions.Require(gap);
  return a;
}

bool operator<(const LinearCount& a, const LinearCount& b) {
  const bool less = b.witness_ - a.witness_ >= 1;
  if (a.form_.Terms() == b.form_.Terms()) return less;  // decided everywhere alike
  LinearForm gap = b.form_ - a.form_;  // a < b: gap >= 1
  if (!gap.IsConstant()) {
    if (less) {
      gap += -1;
      Conditions::Current().Require(gap);
    } else {
      Conditions::Current().Require(-gap);
    }
  }
  return less;
}

bool operator<=(const LinearCount& a, const LinearCount& b) {
  const bool atMost = b.witness_ - a.witness_ >= 0;
  if (a.form_.Terms() == b.form_.Terms()) return atMost;
  LinearForm gap = b.form_ - a.form_;  // a <= b: gap >= 0
  if (!gap.IsConstant()) {
    if (atMost) {
      Conditions::Current().Require(gap);
    } else {
      LinearForm below = -gap;
      below += -1;
      Conditions::Current().Require(below);
    }
  }
  return atMost;
}

bool operator==(const LinearCount& a, const LinearCount& b) {
  const Wide at = a.witness_ - b.witness_;
  if (a.form_.Terms() == b.form_.Terms()) return at == 0;
  LinearForm gap = a.form_ - b.form_;
  if (!gap.IsConstant()) {
    Conditions& conditions = Conditions::Current();
    if (at == 0) {
      conditions.Require(gap);
      conditions.Require(-gap);
    } else if (at > 0) {
      gap += -1;
      conditions.Require(gap);
    } else {
      LinearForm below = -gap;
      below += -1;
      conditions.Require(below);
    }
  }
  return at == 0;
}

}  // namespace vantorb
