#include "alloc/counting_allocator.hpp"

#include <cstdlib>
#include <new>

// The real allocator behind the linker's --wrap=malloc and --wrap=realloc.
extern "C" void* __real_malloc(std::size_t size);
extern "C" void* __real_realloc(void* pointer, std::size_t size);

namespace alloc_test {
namespace {

// The state of the one window (a test program's, not the library's).
bool open = false;
std::uint64_t failAt = 0;
std::uint64_t seen = 0;
bool injected = false;

// Whether this allocation is the one to fail.
bool Refuse() noexcept {
    if (!open) return false;
    if (++seen != failAt) return false;
    injected = true;
    return true;
}

void* Take(std::size_t size) noexcept { return Refuse() ? nullptr : __real_malloc(size == 0 ? 1 : size); }

void* TakeAligned(std::size_t size, std::align_val_t alignment) noexcept {
    if (Refuse()) return nullptr;
    const std::size_t align = static_cast<std::size_t>(alignment);
    return std::aligned_alloc(align, (size + align - 1) / align * align);
}

}  // namespace

FailingWindow::FailingWindow(std::uint64_t n) noexcept {
    failAt = n;
    seen = 0;
    injected = false;
    open = true;
}

FailingWindow::~FailingWindow() { open = false; }

std::uint64_t AllocationsSeen() noexcept { return seen; }
bool FailureInjected() noexcept { return injected; }

}  // namespace alloc_test

extern "C" void* __wrap_malloc(std::size_t size) { return alloc_test::Take(size); }

extern "C" void* __wrap_realloc(void* pointer, std::size_t size) {
    return alloc_test::Refuse() ? nullptr : __real_realloc(pointer, size);
}

// The replaceable allocation functions, all of them, so that no path of the
// C++ runtime bypasses the count.
void* operator new(std::size_t size) {
    if (void* p = alloc_test::Take(size)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) { return ::operator new(size); }
void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return alloc_test::Take(size); }
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return alloc_test::Take(size); }
void* operator new(std::size_t size, std::align_val_t alignment) {
    if (void* p = alloc_test::TakeAligned(size, alignment)) return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size, std::align_val_t alignment) { return ::operator new(size, alignment); }
void* operator new(std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return alloc_test::TakeAligned(size, alignment);
}
void* operator new[](std::size_t size, std::align_val_t alignment, const std::nothrow_t&) noexcept {
    return alloc_test::TakeAligned(size, alignment);
}

void operator delete(void* p) noexcept { std::free(p); }
void operator delete[](void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t) noexcept { std::free(p); }
void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete[](void* p, std::size_t, std::align_val_t) noexcept { std::free(p); }
void operator delete(void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
void operator delete[](void* p, std::align_val_t, const std::nothrow_t&) noexcept { std::free(p); }
