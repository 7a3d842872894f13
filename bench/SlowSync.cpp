// A slow disk for the benchmarks: loaded with LD_PRELOAD, it makes every fsync and fdatasync
// take 50 ms longer (PINVELLE_SYNC_DELAY_MS sets another delay), as a spinning disk or a
// network home folder would. Never linked into the program.

#include <cerrno>
#include <cstdlib>
#include <ctime>
#include <dlfcn.h>

namespace {

long delayMs()
{
    static const long ms = [] {
        const char *text = std::getenv("PINVELLE_SYNC_DELAY_MS");
        return text ? std::strtol(text, nullptr, 10) : 50L;
    }();
    return ms;
}

void wait()
{
    timespec left{delayMs() / 1000, (delayMs() % 1000) * 1000000L};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {
    }
}

template <typename F> F next(const char *name)
{
    return reinterpret_cast<F>(dlsym(RTLD_NEXT, name));
}

} // namespace

extern "C" {

// Lets a benchmark check that the shim is loaded.
long pinvelle_sync_delay_ms()
{
    return delayMs();
}

int fsync(int fd)
{
    static const auto real = next<int (*)(int)>("fsync");
    wait();
    return real(fd);
}

int fdatasync(int fd)
{
    static const auto real = next<int (*)(int)>("fdatasync");
    wait();
    return real(fd);
}
}
