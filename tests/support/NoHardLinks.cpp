// Preloaded into a test or the tool it runs (LD_PRELOAD), this stands for a file system
// without hard links, as FAT and exFAT are: while TAVELO_REFUSE_LINKS is set, link() and
// linkat() fail with EPERM, the answer of those file systems' drivers. Otherwise they are
// the C library's own.

#include <dlfcn.h>
#include <errno.h>
#include <stdlib.h>

namespace {

template <class Fn>
Fn Next(const char* name) {
    return reinterpret_cast<Fn>(dlsym(RTLD_NEXT, name));
}

bool Refused() {
    if (getenv("TAVELO_REFUSE_LINKS") == nullptr) {
        return false;
    }
    errno = EPERM;
    return true;
}

}  // namespace

extern "C" int link(const char* from, const char* to) {
    using Fn = int (*)(const char*, const char*);
    static const Fn real = Next<Fn>("link");
    return Refused() ? -1 : real(from, to);
}

extern "C" int linkat(int fromFolder, const char* from, int toFolder, const char* to, int flags) {
    using Fn = int (*)(int, const char*, int, const char*, int);
    static const Fn real = Next<Fn>("linkat");
    return Refused() ? -1 : real(fromFolder, from, toFolder, to, flags);
}
