#pragma once
// A fuzz input's bytes as the random source of a generated case, one by
// one, and zeros once they are used up, so that an input of any length
// makes a whole case. Not thread-safe; one per input.

#include <cstddef>
#include <cstdint>

namespace vantorb::fuzzing {

class InputBytes {
 public:
  InputBytes(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}
  std::uint64_t operator()() { return at_ < size_ ? data_[at_++] : 0; }
  // Two bytes: 0 to 65535.
  std::uint64_t TwoBytes() { return (*this)() | (*this)() << 8; }
  // A small coefficient: -3 to 3.
  std::int64_t Small() { return static_cast<std::int64_t>((*this)() % 7) - 3; }

 private:
  const std::uint8_t* data_;
  std::size_t size_, at_ = 0;
};

}  // namespace vantorb::fuzzing
