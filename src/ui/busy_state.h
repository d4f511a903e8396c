// Long operations on the window's thread (a folder walk, an import, a search)
// let the window's events through now and then, so that it repaints and
// Escape is seen; meanwhile no command runs and user input reaches nothing.
#pragma once
#include <QCoreApplication>
#include <QElapsedTimer>

namespace sonvaro {

class BusyState {
  public:
    BusyState() { lastEvents_.start(); }

    bool Busy() const { return depth_ > 0; }
    // Inside the events an operation lets through: input is swallowed there.
    bool LettingEventsThrough() const { return depth_ > 1; }
    void Begin() {
        ++depth_;
        escape_ = false;
        lastEvents_.invalidate();  // the first item repaints at once
    }
    void End() { --depth_; }
    // Escape while busy, or a request to end the work (the end signals).
    void Stop() { escape_ = true; }
    void EscapeKey() {
        if (Busy()) escape_ = true;
    }
    // True once after a stop.
    bool TakeStop() {
        const bool stop = escape_;
        escape_ = false;
        return stop;
    }
    // Often enough to repaint and see Escape, seldom enough not to slow the work.
    void LetEventsThrough() {
        if (lastEvents_.isValid() && lastEvents_.elapsed() < 30) return;
        ++depth_;
        QCoreApplication::processEvents();
        --depth_;
        lastEvents_.start();
    }

  private:
    int depth_ = 0;
    bool escape_ = false;
    QElapsedTimer lastEvents_;
};

}  // namespace sonvaro
