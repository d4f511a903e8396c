#!/usr/bin/env python3
"""Command-to-sound latency: how long after a pause, stop, seek or volume
command the sound a listener hears changes.

Plays TONE (a steady tone with a silent stretch from SILENT_AT seconds on)
in the player given after the options, records the PulseAudio sink monitor
MONITOR as it arrives, sends each command with dbus-send through MPRIS, and
times from just before the command to the arrival of the first recorded 5 ms
in which the level crossed a quarter (or three quarters) of the steady level.
The recording path adds its own few milliseconds, so the figures are upper
bounds. Prints one line per command: "name median_ms worst_ms".

usage: sound_commands.py MONITOR REPEATS SILENT_AT -- player args...
"""
import os
import select
import statistics
import subprocess
import sys
import time

RATE = 44100
WINDOW = RATE // 200  # 5 ms
BUS = "org.mpris.MediaPlayer2.sonvaro"
PATH = "/org/mpris/MediaPlayer2"
PLAYER = "org.mpris.MediaPlayer2.Player"


class Recorder:
    def __init__(self, monitor):
        self.proc = subprocess.Popen(
            ["parec", "-d", monitor, "--raw", "--format=s16le", f"--rate={RATE}", "--channels=2",
             "--latency-msec=5"], stdout=subprocess.PIPE)
        self.fd = self.proc.stdout.fileno()
        self.pending = b""
        self.windows = []  # (arrival time, peak) per 5 ms window

    def pump(self, timeout):
        ready, _, _ = select.select([self.fd], [], [], timeout)
        if not ready:
            return
        data = os.read(self.fd, 65536)
        now = time.monotonic()
        if not data:
            raise SystemExit("the recorder ended")
        self.pending += data
        size = WINDOW * 4
        while len(self.pending) >= size:
            chunk, self.pending = self.pending[:size], self.pending[size:]
            samples = memoryview(chunk).cast("h")
            self.windows.append((now, max(max(samples), -min(samples)) / 32768.0))

    def wait_for(self, test, start_index, deadline):
        """Index of the first window from start_index on whose peak passes test."""
        i = start_index
        while time.monotonic() < deadline:
            while i < len(self.windows):
                if test(self.windows[i][1]):
                    return i
                i += 1
            self.pump(0.05)
        return None

    def settle(self, seconds):
        end = time.monotonic() + seconds
        while time.monotonic() < end:
            self.pump(0.05)


def send(method, *args):
    return subprocess.Popen(["dbus-send", "--session", "--print-reply", f"--dest={BUS}", PATH,
                             f"{PLAYER}.{method}", *args], stdout=subprocess.DEVNULL,
                            stderr=subprocess.DEVNULL)


def set_volume(value):
    return subprocess.Popen(["dbus-send", "--session", "--print-reply", f"--dest={BUS}", PATH,
                             "org.freedesktop.DBus.Properties.Set", f"string:{PLAYER}",
                             "string:Volume", f"variant:double:{value}"],
                            stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL)


def main():
    sep = sys.argv.index("--")
    monitor, repeats, silent_at = sys.argv[1], int(sys.argv[2]), float(sys.argv[3])
    player_cmd = sys.argv[sep + 1:]
    rec = Recorder(monitor)
    rec.settle(0.3)
    player = subprocess.Popen(player_cmd, stdin=subprocess.DEVNULL, stdout=subprocess.DEVNULL,
                              stderr=subprocess.DEVNULL)
    try:
        if rec.wait_for(lambda p: p > 0.05, 0, time.monotonic() + 10) is None:
            raise SystemExit("no sound from the player")
        rec.settle(1.0)
        steady = statistics.median(p for _, p in rec.windows[-100:])
        quiet = lambda p: p < steady * 0.25
        loud = lambda p: p > steady * 0.75

        jump = f"int64:{int((silent_at + 2) * 1e6)}"
        back = f"int64:{-int((silent_at + 2) * 1e6)}"
        steps = [
            ("pause", lambda: send("Pause"), quiet),
            ("resume", lambda: send("Play"), loud),
            ("volume to 0", lambda: set_volume(0.0), quiet),
            ("volume to 1", lambda: set_volume(1.0), loud),
            ("seek into silence", lambda: send("Seek", jump), quiet),
            ("seek back", lambda: send("Seek", back), loud),
            ("stop", lambda: send("Stop"), quiet),
            ("play after stop", lambda: send("Play"), loud),
        ]
        results = {name: [] for name, _, _ in steps}
        for _ in range(repeats):
            for name, command, test in steps:
                rec.settle(0.6)
                start = len(rec.windows)
                sent = time.monotonic()
                client = command()
                hit = rec.wait_for(test, start, sent + 3)
                client.wait()
                if hit is None:
                    raise SystemExit(f"{name}: the sound did not change within 3 s")
                results[name].append((rec.windows[hit][0] - sent) * 1000)
        for name, _, _ in steps:
            values = results[name]
            print(f"{name} {statistics.median(values):.0f} {max(values):.0f}")
    finally:
        player.terminate()
        player.wait()
        rec.proc.terminate()
        rec.proc.wait()


if __name__ == "__main__":
    main()
