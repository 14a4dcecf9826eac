// Runs a Windows test program under Wine with a serial port to read: links the Wine prefix's
// WINEPREFIX/dosdevices/comN to a pseudo-terminal opened here, names the port to the program in
// MORVEK_TEST_COM, and writes into the terminal the bytes that the program asks for with a line
// "morvek-com-host: send <hex>" on its standard output; other lines pass through. Exits with the
// program's status.   morvek-com-host comN COMMAND [ARGUMENT...]
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include <poll.h>
#include <pty.h>
#include <sys/wait.h>
#include <unistd.h>

namespace {

void WriteAll(int fd, const std::string& bytes)
{
    for (std::size_t done = 0; done < bytes.size();) {
        const ssize_t n = ::write(fd, bytes.data() + done, bytes.size() - done);
        if (n < 0 && errno != EINTR)
            return;
        done += n > 0 ? static_cast<std::size_t>(n) : 0;
    }
}

void Handle(const std::string& line, int master)
{
    static const std::string request = "morvek-com-host: send ";
    if (line.compare(0, request.size(), request) != 0)
        return WriteAll(STDOUT_FILENO, line);
    std::string bytes;
    for (std::size_t i = request.size(); i + 1 < line.size() && std::isxdigit(static_cast<unsigned char>(line[i])); i += 2)
        bytes += static_cast<char>(std::stoi(line.substr(i, 2), nullptr, 16));
    WriteAll(master, bytes);
}

} // namespace

int main(int argc, char** argv)
{
    const char* prefix = std::getenv("WINEPREFIX");
    if (argc < 3 || std::strncmp(argv[1], "com", 3) != 0 || !prefix) {
        std::fprintf(stderr, "usage: WINEPREFIX=... morvek-com-host comN COMMAND [ARGUMENT...]\n");
        return 2;
    }
    // Both sides of the terminal stay open here for the whole run, so that it never hangs up.
    int master = -1, slave = -1, out[2];
    const std::string link = std::string(prefix) + "/dosdevices/" + argv[1];
    ::unlink(link.c_str());
    if (::openpty(&master, &slave, nullptr, nullptr, nullptr) != 0 || ::symlink(::ttyname(slave), link.c_str()) != 0
        || ::pipe(out) != 0) {
        std::perror("morvek-com-host");
        return 2;
    }
    std::string com = argv[1];
    com[0] = 'C', com[1] = 'O', com[2] = 'M';
    ::setenv("MORVEK_TEST_COM", com.c_str(), 1);
    const pid_t child = ::fork();
    if (child == 0) {
        ::dup2(out[1], STDOUT_FILENO);
        ::execvp(argv[2], argv + 2);
        std::perror(argv[2]);
        std::_Exit(127);
    }
    ::close(out[1]);

    // Wine's own processes may keep the pipe open after the program has ended: the program's end,
    // not the pipe's, ends the run.
    std::string pending;
    int status = 0;
    for (bool running = child > 0; running;) {
        const pid_t ended = ::waitpid(child, &status, WNOHANG);
        if (ended < 0 && errno != EINTR) {
            std::perror("morvek-com-host: waitpid");
            return 2;
        }
        running = ended <= 0;
        pollfd p{out[0], POLLIN, 0};
        char buffer[4096];
        ssize_t n;
        while (::poll(&p, 1, running ? 100 : 0) > 0 && (n = ::read(out[0], buffer, sizeof buffer)) > 0) {
            pending.append(buffer, static_cast<std::size_t>(n));
            for (std::size_t end; (end = pending.find('\n')) != std::string::npos; pending.erase(0, end + 1))
                Handle(pending.substr(0, end + 1), master);
        }
    }
    Handle(pending, master);
    ::unlink(link.c_str());
    return child < 0 ? 2 : WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}
