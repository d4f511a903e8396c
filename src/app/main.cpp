#include <cstdio>
#include <cstring>
#include <string>

#include "app/headless.h"

namespace {

void PrintHelp() {
    std::puts(
        "Aufruf: sonvaro [DATEI]\n"
        "       sonvaro --headless [DATEI...]\n"
        "\n"
        "  --headless   ohne Fenster spielen; endet mit SIGINT oder SIGTERM (mit Speichern)\n"
        "  --help       diese Hilfe\n"
        "  --version    Programmversion");
}

}  // namespace

int main(int argc, char** argv) {
    bool headless = false;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        if (arg == "--help" || arg == "-h") {
            PrintHelp();
            return 0;
        }
        if (arg == "--version") {
            std::puts("Sonvaro 1.09");
            return 0;
        }
        if (arg == "--has-window") return 1;  // the windowed player is not built yet
        if (arg == "--headless") headless = true;
    }
    if (!headless) std::fputs("Sonvaro: Fensteroberfläche noch nicht verfügbar, starte ohne Fenster.\n", stderr);
    return sonvaro::RunHeadless();
}
