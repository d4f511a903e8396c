#pragma once
#include <cstdio>
#include <initializer_list>

namespace sonvaro {

// True when the stream writes to a terminal (a line can then be rewritten in place).
bool IsTerminal(std::FILE* stream);

// Single key presses from the terminal on standard input: while this lives,
// keys arrive at once and are not echoed; Ctrl-C still sends SIGINT. The
// terminal's settings come back in the destructor.
class TerminalKeys {
  public:
    TerminalKeys();
    ~TerminalKeys();
    TerminalKeys(const TerminalKeys&) = delete;
    TerminalKeys& operator=(const TerminalKeys&) = delete;

    // False when standard input is no terminal (a pipe, a service).
    bool Active() const { return active_; }
    int Descriptor() const { return active_ ? 0 : -1; }
    // The next waiting byte, or -1 when none waits.
    int ReadKey();

  private:
    bool active_ = false;
    unsigned char saved_[64] = {};  // the struct termios, kept opaque here
};

// Waits until any descriptor (-1: none) is readable or `timeoutMs` pass;
// bit n of the result is set when descriptor n is readable.
unsigned WaitForInput(std::initializer_list<int> descriptors, int timeoutMs);

}  // namespace sonvaro
