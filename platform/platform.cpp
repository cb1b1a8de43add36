#include "platform/platform.h"

#include <cstdlib>

namespace tarvik {

void* Platform::Allocate(std::size_t size) { return std::malloc(size); }

void Platform::Release(void* block) { std::free(block); }

}  // namespace tarvik
