#include "platform/platform.h"

namespace quarvel {

namespace {
Platform* g_host = nullptr;
}  // namespace

Platform& Host() { return g_host != nullptr ? *g_host : NativePlatform(); }

Platform* SetHost(Platform* p) {
  Platform* previous = &Host();
  g_host = p;
  return previous;
}

}  // namespace quarvel
