// Every tool-bar button and menu item: the command it runs, its text, its
// icon and whether it is a switch. The main window makes its actions from it.
#pragma once
#include <span>

#include "core/command_ids.h"

namespace sonvaro {

struct CommandEntry {
    Command command;
    const char* text;
    const char* icon;  // "" for none
    bool checkable;
};

std::span<const CommandEntry> CommandEntries();

}  // namespace sonvaro
