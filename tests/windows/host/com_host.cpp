// Runs a Windows test program under Wine with a serial port to read. Links the Wine prefix's
// COM port (WINEPREFIX/dosdevices/comN) to a pseudo-terminal opened here, tells the program the
// port's name in MORVEK_TEST_COM, and writes into the terminal the bytes the program asks for on
// its standard output with a line "morvek-com-host: send <hex>"; every other line passes through.
// Exits with the program's status.
//   morvek-com-host comN COMMAND [ARGUMENT...]
#include <cctype>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

const char kRequest[] = "morvek-com-host: send ";

int Fail(const char* what)
{
    std::fprintf(stderr, "morvek-com-host: %s: %s\n", what, std::strerror(errno));
    return 2;
}

void WriteAll(int fd, const std::string& bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            return;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

// Acts on one line of the program's output: a request is written to the terminal in bytes, any
// other line is passed on.
void Handle(const std::string& line, int master)
{
    if (line.compare(0, sizeof kRequest - 1, kRequest) != 0) {
        WriteAll(STDOUT_FILENO, line);
        return;
    }
    std::string bytes;
    for (std::size_t i = sizeof kRequest - 1; i + 1 < line.size() && std::isxdigit(static_cast<unsigned char>(line[i])); i += 2)
        bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    WriteAll(master, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 3 || std::strncmp(argv[1], "com", 3) != 0) {
        std::fprintf(stderr, "usage: morvek-com-host comN COMMAND [ARGUMENT...]\n");
        return 2;
    }
    const char* prefix = std::getenv("WINEPREFIX");
    if (!prefix || !*prefix) {
        errno = EINVAL;
        return Fail("WINEPREFIX is not set");
    }
    // The terminal stays open on both sides here for the whole run, so that it neither hangs up
    // nor loses its settings between the program's opens.
    int master = -1, slave = -1;
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0)
        return Fail("openpty");
    const std::string link = std::string(prefix) + "/dosdevices/" + argv[1];
    ::unlink(link.c_str());
    if (::symlink(::ttyname(slave), link.c_str()) != 0)
        return Fail(link.c_str());
    std::string com = argv[1];
    for (char& c : com)
        c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    ::setenv("MORVEK_TEST_COM", com.c_str(), 1);

    int out[2];
    if (::pipe(out) != 0)
        return Fail("pipe");
    const pid_t child = ::fork();
    if (child < 0)
        return Fail("fork");
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::close(out[0]);
        ::close(out[1]);
        ::close(master);
        ::close(slave);
        ::execvp(argv[2], argv + 2);
        std::_Exit(Fail(argv[2]) + 125);
    }
    ::close(out[1]);

    // Wine's own processes may hold the pipe open after the program has ended: the program's end,
    // not the pipe's, ends the run.
    std::string pending;
    int status = 0;
    for (bool running = true; running;) {
        running = ::waitpid(child, &status, WNOHANG) == 0;
        pollfd p{out[0], POLLIN, 0};
        while (::poll(&p, 1, running ? 100 : 0) > 0 && (p.revents & POLLIN)) {
            char buffer[4096];
            const ssize_t n = ::read(out[0], buffer, sizeof buffer);
            if (n <= 0)
                break;
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
                Handle(pending.substr(0, end + 1), master);
        }
    }
    Handle(pending, master);
    ::unlink(link.c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
