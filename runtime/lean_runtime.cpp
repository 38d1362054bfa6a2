// What the programs take from the C++ runtime instead of its own versions:
// the runtime's versions throw, and one throw brings the whole unwinder,
// exception objects, the terminate handler with its name demangler, and the
// POSIX thread library into every program. Ours end the process where the
// runtime would have thrown into code that catches nothing.
//
// Linked into the shipped programs only (as objects, so these definitions are
// always the ones used); the tests keep the runtime's throwing versions.
#include <windows.h>

#include <cstddef>
#include <cstdlib>
#include <new>

namespace {

[[noreturn]] void Fatal()
{
    std::abort();
}

void* Allocate(std::size_t cb)
{
    return std::malloc(cb ? cb : 1);
}

}  // namespace

// ---- Allocation ---------------------------------------------------------------------
// Plain new cannot report a failure without exceptions: the program ends.
// Code whose behaviour depends on a failed allocation asks with std::nothrow.

void* operator new(std::size_t cb)
{
    if (void* p = Allocate(cb))
        return p;
    Fatal();
}

void* operator new[](std::size_t cb)
{
    return operator new(cb);
}

void* operator new(std::size_t cb, const std::nothrow_t&) noexcept
{
    return Allocate(cb);
}

void* operator new[](std::size_t cb, const std::nothrow_t&) noexcept
{
    return Allocate(cb);
}

void operator delete(void* p) noexcept
{
    std::free(p);
}

void operator delete[](void* p) noexcept
{
    std::free(p);
}

void operator delete(void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete[](void* p, std::size_t) noexcept
{
    std::free(p);
}

void operator delete(void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

void operator delete[](void* p, const std::nothrow_t&) noexcept
{
    std::free(p);
}

// ---- Library errors --------------------------------------------------------------------
// The containers and strings report misuse (out of range, too long) through
// these; every one is a fault in the program.

namespace std {
void __throw_bad_exception() { Fatal(); }
void __throw_bad_alloc() { Fatal(); }
void __throw_bad_array_new_length() { Fatal(); }
void __throw_bad_cast() { Fatal(); }
void __throw_bad_typeid() { Fatal(); }
void __throw_logic_error(const char*) { Fatal(); }
void __throw_domain_error(const char*) { Fatal(); }
void __throw_invalid_argument(const char*) { Fatal(); }
void __throw_length_error(const char*) { Fatal(); }
void __throw_out_of_range(const char*) { Fatal(); }
void __throw_out_of_range_fmt(const char*, ...) { Fatal(); }
void __throw_runtime_error(const char*) { Fatal(); }
void __throw_range_error(const char*) { Fatal(); }
void __throw_overflow_error(const char*) { Fatal(); }
void __throw_underflow_error(const char*) { Fatal(); }
void __throw_bad_function_call() { Fatal(); }
}  // namespace std

namespace {
SRWLOCK s_guardLock = SRWLOCK_INIT;
CONDITION_VARIABLE s_guardDone = CONDITION_VARIABLE_INIT;
}  // namespace

extern "C" {

void __cxa_pure_virtual() { Fatal(); }
void __cxa_deleted_virtual() { Fatal(); }

// ---- Function-local statics ---------------------------------------------------------------
// The guard of a static's first initialisation: byte 0 says done (the compiler
// reads it before calling here), byte 1 says a thread is initialising. One
// lock and condition for all guards; the lock is not held while a static is
// initialised, so an initialiser may itself initialise other statics.

int __cxa_guard_acquire(long long* pGuard)
{
    volatile char* pBytes = reinterpret_cast<volatile char*>(pGuard);
    if (__atomic_load_n(&pBytes[0], __ATOMIC_ACQUIRE))
        return 0;
    ::AcquireSRWLockExclusive(&s_guardLock);
    while (pBytes[1])
        ::SleepConditionVariableSRW(&s_guardDone, &s_guardLock, INFINITE, 0);
    const bool bDone = pBytes[0] != 0;
    if (!bDone)
        pBytes[1] = 1;
    ::ReleaseSRWLockExclusive(&s_guardLock);
    return bDone ? 0 : 1;
}

void __cxa_guard_release(long long* pGuard)
{
    volatile char* pBytes = reinterpret_cast<volatile char*>(pGuard);
    ::AcquireSRWLockExclusive(&s_guardLock);
    pBytes[1] = 0;
    __atomic_store_n(&pBytes[0], 1, __ATOMIC_RELEASE);
    ::ReleaseSRWLockExclusive(&s_guardLock);
    ::WakeAllConditionVariable(&s_guardDone);
}

void __cxa_guard_abort(long long* pGuard)
{
    volatile char* pBytes = reinterpret_cast<volatile char*>(pGuard);
    ::AcquireSRWLockExclusive(&s_guardLock);
    pBytes[1] = 0;
    ::ReleaseSRWLockExclusive(&s_guardLock);
    ::WakeAllConditionVariable(&s_guardDone);
}

}  // extern "C"
