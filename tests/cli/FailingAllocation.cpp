// The program's operator new and delete, replaced: every allocation goes
// through malloc and free as before, and the one a live AllocationFailure
// names throws instead.
#include "tests/cli/FailingAllocation.h"

#include <cstdlib>
#include <new>

namespace {

bool armed = false;
long failAt = 0;
long seen = 0;
bool failed = false;

void* Allocate(std::size_t size) {
    if (armed && ++seen == failAt) {
        failed = true;
        return nullptr;
    }
    return std::malloc(size ? size : 1);
}

}  // namespace

AllocationFailure::AllocationFailure(long at) {
    failAt = at;
    seen = 0;
    failed = false;
    armed = true;
}

AllocationFailure::~AllocationFailure() { armed = false; }

long AllocationFailure::Seen() const { return seen; }

bool AllocationFailure::Failed() const { return failed; }

void* operator new(std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}

void* operator new[](std::size_t size) {
    if (void* p = Allocate(size)) return p;
    throw std::bad_alloc();
}

void* operator new(std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }

void* operator new[](std::size_t size, const std::nothrow_t&) noexcept { return Allocate(size); }

void operator delete(void* p) noexcept { std::free(p); }

void operator delete[](void* p) noexcept { std::free(p); }

void operator delete(void* p, std::size_t) noexcept { std::free(p); }

void operator delete[](void* p, std::size_t) noexcept { std::free(p); }

void operator delete(void* p, const std::nothrow_t&) noexcept { std::free(p); }

void operator delete[](void* p, const std::nothrow_t&) noexcept { std::free(p); }
