#include "posixstart.h"

#include <cerrno>
#include <fcntl.h>
#include <unistd.h>

namespace posixstart {

void openStandardStreams()
{
    for (int fd = 0; fd <= 2; ++fd) {
        if (::fcntl(fd, F_GETFD) == -1 && errno == EBADF)
            ::open("/dev/null", O_RDWR);
    }
}

void enterFolder(const std::string &folder)
{
    if (!folder.empty())
        (void)::chdir(folder.c_str());
}

} // namespace posixstart
