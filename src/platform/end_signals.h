#pragma once

namespace sonvaro {

// SIGINT, SIGTERM and SIGHUP (the terminal closed) as a readable descriptor,
// so that both players end through their orderly shut-down and no signal is
// lost while they start. Construct it in main() before any thread exists:
// the signals are blocked for this thread and every thread started later.
class EndSignals {
  public:
    EndSignals();
    ~EndSignals();
    EndSignals(const EndSignals&) = delete;
    EndSignals& operator=(const EndSignals&) = delete;

    // Readable while an end signal waits; -1 when none could be opened.
    int Descriptor() const { return fd_; }
    // True while an end signal waits (it stays pending).
    bool Pending() const;
    // Waits up to `timeoutMs` for one; true when one is pending.
    bool Wait(int timeoutMs) const;
    // Takes the waiting signals.
    void Consume();
    // Gives the signals back their usual effect (ending the process), for a
    // run that has no orderly shut-down to go through; one that waits is
    // delivered now.
    void Release();

  private:
    int fd_ = -1;
};

}  // namespace sonvaro
