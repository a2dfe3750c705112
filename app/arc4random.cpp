// arc4random and its two siblings over the kernel's getrandom, for the Linux
// launcher. The C++ runtime is linked into the launcher, and its
// std::random_device refers to arc4random, which glibc has only from 2.36 on:
// defined here, the launcher binds its own and starts on older C libraries
// (the launcher's floor is glibc 2.34). Nothing in the launcher draws random
// numbers; these only have to be right.
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

#include <fcntl.h>
#include <sys/random.h>
#include <unistd.h>

namespace {

// From /dev/urandom where the kernel has no getrandom (before Linux 3.17).
bool readUrandom(unsigned char *out, std::size_t size)
{
    const int fd = ::open("/dev/urandom", O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return false;
    while (size > 0) {
        const ssize_t got = ::read(fd, out, size);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0) {
            ::close(fd);
            return false;
        }
        out += got;
        size -= std::size_t(got);
    }
    ::close(fd);
    return true;
}

} // namespace

extern "C" {

void arc4random_buf(void *buffer, std::size_t size) noexcept
{
    auto *out = static_cast<unsigned char *>(buffer);
    while (size > 0) {
        const ssize_t got = ::getrandom(out, size, 0);
        if (got > 0) {
            out += got;
            size -= std::size_t(got);
        } else if (got < 0 && errno == EINTR) {
            continue;
        } else {
            if (readUrandom(out, size))
                return;
            // There is no way to say "no random numbers" through this call.
            std::fputs("Trenchmoor Setup: the system gives no random numbers (getrandom and /dev/urandom failed)\n",
                       stderr);
            std::_Exit(1);
        }
    }
}

std::uint32_t arc4random(void) noexcept
{
    std::uint32_t value;
    arc4random_buf(&value, sizeof value);
    return value;
}

// Uniform in [0, bound): values below 2^32 mod bound are drawn again, so that
// no remainder comes up more often than another.
std::uint32_t arc4random_uniform(std::uint32_t bound) noexcept
{
    if (bound < 2)
        return 0;
    const std::uint32_t least = -bound % bound;
    for (;;) {
        const std::uint32_t value = arc4random();
        if (value >= least)
            return value % bound;
    }
}

} // extern "C"
