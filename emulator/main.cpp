// tarvik-printer: the virtual fiscal printer as a program. See Usage() for the options.
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <memory>
#include <mutex>

#include "emulator/command_line.h"
#include "emulator/control_fifo.h"
#include "emulator/fiscal_model_backend.h"
#include "emulator/pty_front_end.h"

namespace {

int g_signal_pipe[2] = {-1, -1};

void OnSignal(int) {
    const int saved = errno;
    const char byte = 1;
    [[maybe_unused]] ssize_t n = write(g_signal_pipe[1], &byte, 1);
    errno = saved;
}

std::mutex g_print;

void Print(std::FILE* stream, const std::string& text) {
    std::lock_guard<std::mutex> lock(g_print);
    std::fputs(text.c_str(), stream);
    std::fflush(stream);
}

}  // namespace

int main(int argc, char** argv) {
    using namespace tarvik::emu;
    CommandLine line;
    std::string error;
    if (!ParseCommandLine(argc, argv, &line, &error)) {
        std::fprintf(stderr, "tarvik-printer: %s\n\n%s", error.c_str(), Usage().c_str());
        return 2;
    }
    if (line.help) {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }

    if (pipe(g_signal_pipe) != 0) return 1;
    fcntl(g_signal_pipe[1], F_SETFL, O_NONBLOCK);
    struct sigaction action {};
    action.sa_handler = OnSignal;
    sigemptyset(&action.sa_mask);
    sigaction(SIGINT, &action, nullptr);
    sigaction(SIGTERM, &action, nullptr);
    signal(SIGPIPE, SIG_IGN);

    FrontEndOptions options;
    options.link_path = line.link;
    options.baud = line.baud;
    options.wire_log_path = line.log;
    options.journal_path = line.journal;
    options.keep_history = false;
    options.on_paper = [](const std::string& paper) { Print(stdout, paper); };
    options.on_device = [](const std::string& device) { Print(stderr, "tarvik-printer: new device " + device + "\n"); };
    PtyFrontEnd printer(std::make_unique<FiscalModelBackend>(), options);

    for (const std::string& fault : line.faults) {
        std::string message;
        if (!printer.Control(fault, &message)) {
            std::fprintf(stderr, "tarvik-printer: --fault %s\n", message.c_str());
            return 2;
        }
    }
    ControlFifo control;
    if (!line.control.empty() && !control.Open(line.control, &error)) {
        std::fprintf(stderr, "tarvik-printer: %s\n", error.c_str());
        return 1;
    }
    if (!printer.Start(&error)) {
        std::fprintf(stderr, "tarvik-printer: %s\n", error.c_str());
        return 1;
    }
    Print(stdout, printer.DevicePath() + "\n");
    if (!line.link.empty()) Print(stderr, "tarvik-printer: " + line.link + " -> " + printer.DevicePath() + "\n");

    for (;;) {
        pollfd fds[2] = {{g_signal_pipe[0], POLLIN, 0}, {control.Fd(), POLLIN, 0}};
        if (poll(fds, control.Fd() >= 0 ? 2 : 1, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (fds[0].revents & POLLIN) break;
        if (fds[1].revents & POLLIN) {
            for (const std::string& command : control.ReadLines()) {
                std::string message;
                const bool ok = printer.Control(command, &message);
                if (!message.empty() && message.back() != '\n') message += '\n';
                Print(stderr, std::string("tarvik-printer: ") + (ok ? "" : "refused: ") + message);
            }
        }
    }
    printer.Stop();
    return 0;
}
