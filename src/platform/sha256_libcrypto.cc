// SHA-256 through libcrypto's EVP interface (which picks the processor's SHA instructions).
#include <openssl/evp.h>

#include "platform/sha256.h"

namespace quarvel {

struct Sha256::State {
  EVP_MD_CTX* ctx = nullptr;
  bool ok = false;
  ~State() { EVP_MD_CTX_free(ctx); }
  void Start() { ok = ctx != nullptr && EVP_DigestInit_ex(ctx, EVP_sha256(), nullptr) == 1; }
};

Sha256::Sha256() : state_(new State) {
  state_->ctx = EVP_MD_CTX_new();
  state_->Start();
}

Sha256::~Sha256() = default;

void Sha256::Update(const void* data, std::size_t n) {
  if (state_->ok && n > 0) state_->ok = EVP_DigestUpdate(state_->ctx, data, n) == 1;
}

bool Sha256::Finish(Sha256Digest* digest) {
  unsigned int length = 0;
  const bool ok = state_->ok && EVP_DigestFinal_ex(state_->ctx, digest->data(), &length) == 1 &&
                  length == digest->size();
  state_->Start();
  return ok;
}

}  // namespace quarvel
