// Prints a terminal's line settings as the kernel holds them, read with TCGETS2: the speed
// itself (c_ospeed, also when it was set as BOTHER, which the classic termios calls and stty
// cannot show), how it was set, and the frame's character size, parity and stop bits.
//
//   line_settings PATH      e.g. "speed 9600 baud (B9600) cs8 -parenb -cstopb"

#include <asm/termbits.h>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    // Not a new controlling terminal, and no wait for a carrier.
    const int fd = open(argv[1], O_RDONLY | O_NOCTTY | O_NONBLOCK);
    if (fd < 0) {
        std::fprintf(stderr, "%s: %s\n", argv[1], std::strerror(errno));
        return 1;
    }
    termios2 line{};
    if (ioctl(fd, TCGETS2, &line) != 0) {
        std::fprintf(stderr, "%s: TCGETS2: %s\n", argv[1], std::strerror(errno));
        close(fd);
        return 1;
    }
    close(fd);
    const unsigned code = line.c_cflag & CBAUD;
    const char* how = code == BOTHER ? "BOTHER" : code == B9600 ? "B9600" : code == B0 ? "B0" : "other";
    const char* size = (line.c_cflag & CSIZE) == CS8 ? "cs8" : "-cs8";
    std::printf("speed %u baud (%s) %s %s %s\n", line.c_ospeed, how, size,
                (line.c_cflag & PARENB) ? "parenb" : "-parenb",
                (line.c_cflag & CSTOPB) ? "cstopb" : "-cstopb");
    return 0;
}
