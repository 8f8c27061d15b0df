// The least C++ program that asks the program's socket for its status: connects, sends
// the line, prints what comes back. The baseline of horlivet-ctl status as a process.
// Usage: lecteur_minimal SOCKET

#include <cstring>
#include <iostream>
#include <string>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

int main(int argc, char** argv) {
    if (argc != 2) return 2;
    sockaddr_un adresse{};
    adresse.sun_family = AF_UNIX;
    std::strncpy(adresse.sun_path, argv[1], sizeof adresse.sun_path - 1);
    const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
    if (connect(fd, reinterpret_cast<sockaddr*>(&adresse), sizeof adresse) != 0) return 1;
    if (write(fd, "status\n", 7) != 7) return 1;
    std::string reponse;
    char tampon[4096];
    for (ssize_t n; (n = read(fd, tampon, sizeof tampon)) > 0;)
        reponse.append(tampon, static_cast<std::size_t>(n));
    std::cout << reponse;
    return reponse.empty() ? 1 : 0;
}
