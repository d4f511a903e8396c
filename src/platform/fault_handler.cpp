#include "platform/fault_handler.h"

#include <signal.h>
#include <ucontext.h>
#include <unistd.h>

#include <cstdint>
#include <cstring>
#include <exception>
#include <initializer_list>

namespace sonvaro {
namespace {

constexpr int kFaultExit = 70;

// Only async-signal-safe calls from here on: no allocation, no stdio.
void WriteText(const char* text) {
    const ssize_t ignored = ::write(STDERR_FILENO, text, std::strlen(text));
    (void)ignored;
}

void WriteHex(uintptr_t value) {
    char buf[2 + 2 * sizeof value + 1];
    buf[0] = '0';
    buf[1] = 'x';
    for (size_t i = 0; i < 2 * sizeof value; ++i) {
        const unsigned nibble = (value >> (4 * (2 * sizeof value - 1 - i))) & 0xF;
        buf[2 + i] = static_cast<char>(nibble < 10 ? '0' + nibble : 'A' + nibble - 10);
    }
    buf[sizeof buf - 1] = '\0';
    WriteText(buf);
}

void OnFault(int, siginfo_t* info, void* context) {
    uintptr_t pc = 0;
#if defined(__x86_64__)
    pc = static_cast<uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.gregs[REG_RIP]);
#elif defined(__aarch64__)
    pc = static_cast<uintptr_t>(static_cast<ucontext_t*>(context)->uc_mcontext.pc);
#endif
    WriteText("Fehler\nAdresse: ");
    WriteHex(reinterpret_cast<uintptr_t>(info->si_addr));
    WriteText("\nZeile: ");
    WriteHex(pc);
    WriteText("\n");
    _exit(kFaultExit);
}

void OnTerminate() {
    WriteText("Fehler\nAdresse: -\nZeile: ");
    if (const std::exception_ptr current = std::current_exception()) {
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            WriteText(e.what());
        } catch (...) {
            WriteText("unbekannte Ausnahme");
        }
    }
    WriteText("\n");
    _exit(kFaultExit);
}

}  // namespace

void InstallFaultHandler() {
    // Its own stack, so a stack overflow can still be reported.
    static char alternateStack[64 * 1024];
    stack_t ss{};
    ss.ss_sp = alternateStack;
    ss.ss_size = sizeof alternateStack;
    sigaltstack(&ss, nullptr);
    struct sigaction action {};
    action.sa_sigaction = &OnFault;
    action.sa_flags = SA_SIGINFO | SA_ONSTACK | SA_RESETHAND;
    sigemptyset(&action.sa_mask);
    for (int sig : {SIGSEGV, SIGBUS, SIGILL, SIGFPE}) sigaction(sig, &action, nullptr);
    std::set_terminate(&OnTerminate);
}

}  // namespace sonvaro
