// SHA-256 digests from the host's own library: libcrypto on POSIX, BCrypt on Windows.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

namespace quarvel {

using Sha256Digest = std::array<std::uint8_t, 32>;

// One digest computed piece by piece. A host library that fails (it cannot make its context) makes
// every later call a no-op and Finish false.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(const Sha256&) = delete;
  Sha256& operator=(const Sha256&) = delete;

  void Update(const void* data, std::size_t n);
  // The digest of everything given since the start or the last Finish; then starts afresh. False when
  // the host library failed at any point.
  bool Finish(Sha256Digest* digest);

 private:
  struct State;
  std::unique_ptr<State> state_;
};

// The digest of one buffer; false when the host library failed.
bool DigestOf(const void* data, std::size_t n, Sha256Digest* digest);
// 64 lower-case hex digits.
std::string DigestHex(const Sha256Digest& digest);

}  // namespace quarvel
