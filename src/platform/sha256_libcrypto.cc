// SHA-256 through libcrypto's own SHA-256 routines (which use the processor's SHA instructions). They
// are the older interface, kept by libcrypto; unlike EVP they need no provider loaded, which costs
// the process about two megabytes the first time a digest is made.
#define OPENSSL_SUPPRESS_DEPRECATED
#include <openssl/sha.h>

#include "platform/sha256.h"

namespace quarvel {

struct Sha256::State {
  SHA256_CTX ctx;
  bool ok = false;
  void Start() { ok = SHA256_Init(&ctx) == 1; }
};

Sha256::Sha256() : state_(new State) { state_->Start(); }

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t n) {
  if (state_->ok && n > 0) state_->ok = SHA256_Update(&state_->ctx, data, n) == 1;
}

bool Sha256::Finish(Sha256Digest* digest) {
  const bool ok = state_->ok && SHA256_Final(digest->data(), &state_->ctx) == 1;
  state_->Start();
  return ok;
}

}  // namespace quarvel
