#pragma once

namespace sonvaro {

// On a crash (bad memory access, illegal instruction, arithmetic fault) or an
// uncaught exception: writes the fault report "Fehler", "Adresse: " + the
// faulting address and "Zeile: " + the code position to standard error, then
// ends the process with status 70.
void InstallFaultHandler();

}  // namespace sonvaro
