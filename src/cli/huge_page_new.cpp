// The converter's operator new and delete: large blocks on huge pages (see
// huge_page_blocks.h), everything else from malloc as the library's own
// would. Linked into the converter only, not into the library, so that the
// window and the tests keep the usual allocator.

#include <cstdlib>
#include <new>

#include "io/huge_page_blocks.h"

void* operator new(std::size_t size) {
  if (void* block = tilora::huge_pages::Allocate(size)) return block;
  for (;;) {
    if (void* p = std::malloc(size == 0 ? 1 : size)) return p;
    const std::new_handler handler = std::get_new_handler();
    if (handler == nullptr) throw std::bad_alloc();
    handler();
  }
}

void operator delete(void* p) noexcept {
  if (p != nullptr && !tilora::huge_pages::Release(p)) std::free(p);
}

void operator delete(void* p, std::size_t) noexcept { operator delete(p); }
