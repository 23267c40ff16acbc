// ThreadSanitizer does not see inside the installed Qt, which is not built for it, so it cannot
// tell that a QMutex orders the accesses made under it. In a ThreadSanitizer build this file
// stands in front of QMutex's lock and unlock: it calls Qt's own functions and reports the
// acquire and release to ThreadSanitizer, which then treats QMutex like any other mutex.

#include <QMutex>

#include <dlfcn.h>
#include <sanitizer/tsan_interface.h>

namespace {

template<typename Function>
Function qtFunction(const char *name)
{
    return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

using LockFunction = void (*)(QMutex *);
using TryLockFunction = bool (*)(QMutex *, int);

} // namespace

void QMutex::lock() QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto real = qtFunction<LockFunction>("_ZN6QMutex4lockEv");
    real(this);
    __tsan_acquire(this);
}

bool QMutex::tryLock(int timeout) QT_MUTEX_LOCK_NOEXCEPT
{
    static const auto real = qtFunction<TryLockFunction>("_ZN6QMutex7tryLockEi");
    const bool locked = real(this, timeout);
    if (locked)
        __tsan_acquire(this);
    return locked;
}

void QMutex::unlock() noexcept
{
    static const auto real = qtFunction<LockFunction>("_ZN6QMutex6unlockEv");
    __tsan_release(this);
    real(this);
}
