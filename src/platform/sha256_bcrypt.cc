// SHA-256 through Windows' CNG (BCrypt) primitives.
#include <windows.h>
#include <bcrypt.h>

#include <algorithm>

#include "platform/sha256.h"

namespace quarvel {

struct Sha256::State {
  BCRYPT_ALG_HANDLE algorithm = nullptr;
  BCRYPT_HASH_HANDLE hash = nullptr;
  bool ok = false;
  ~State() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    if (algorithm != nullptr) BCryptCloseAlgorithmProvider(algorithm, 0);
  }
  void Start() {
    if (hash != nullptr) BCryptDestroyHash(hash);
    hash = nullptr;
    ok = algorithm != nullptr && BCRYPT_SUCCESS(BCryptCreateHash(algorithm, &hash, nullptr, 0, nullptr, 0, 0));
  }
};

Sha256::Sha256() : state_(new State) {
  if (!BCRYPT_SUCCESS(BCryptOpenAlgorithmProvider(&state_->algorithm, BCRYPT_SHA256_ALGORITHM, nullptr, 0))) {
    state_->algorithm = nullptr;
  }
  state_->Start();
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t n) {
  auto* p = static_cast<UCHAR*>(const_cast<void*>(data));
  // BCryptHashData takes a ULONG count.
  while (state_->ok && n > 0) {
    const ULONG c = static_cast<ULONG>(std::min<std::size_t>(n, 1u << 30));
    state_->ok = BCRYPT_SUCCESS(BCryptHashData(state_->hash, p, c, 0));
    p += c;
    n -= c;
  }
}

bool Sha256::Finish(Sha256Digest* digest) {
  const bool ok =
      state_->ok && BCRYPT_SUCCESS(BCryptFinishHash(state_->hash, digest->data(), static_cast<ULONG>(digest->size()), 0));
  state_->Start();
  return ok;
}

}  // namespace quarvel
