#pragma once

#include <array>
#include <cstdint>
#include <span>

namespace vq {

// The RC6 block cipher with 32-bit words and 20 rounds (RC6-32/20/b), encryption only,
// which is all that the feedback modes need. It takes a key of any length; the round
// keys are overwritten with 0xFF bytes when the object goes, so it cannot be copied.
class Rc6 {
 public:
  static constexpr std::size_t kBlockSize = 16;
  static constexpr int kRounds = 20;
  static constexpr std::size_t kRoundKeyCount = 2 * kRounds + 4;
  using Block = std::array<std::uint8_t, kBlockSize>;

  explicit Rc6(std::span<const std::uint8_t> key);
  ~Rc6();
  Rc6(const Rc6&) = delete;
  Rc6& operator=(const Rc6&) = delete;

  // Reads and writes the block as four little-endian words A, B, C, D; `in` and `out`
  // may be the same block.
  void EncryptBlock(const Block& in, Block& out) const;

 private:
  std::array<std::uint32_t, kRoundKeyCount> round_keys_;
};

}  // namespace vq
