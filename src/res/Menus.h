#pragma once

#include <span>

namespace tavelo {

// One item of a drop-down menu; id 0 is a separator. The text carries the accelerator
// after a tab, as the menu shows it.
struct MenuItem {
    int id;
    const char* text;
};

struct TopMenu {
    const char* title;
    std::span<const MenuItem> items;
};

// A key combination (in QKeySequence's portable text) that runs a command.
struct Accelerator {
    int id;
    const char* keys;
};

// Menu bar 128. Positions 1, 3 and 4 are "&Edit", "&Zoom" and "Ro&tation", which the view
// greys while no picture is shown; Capture sits elsewhere so it stays reachable.
std::span<const TopMenu> MainMenu();

// Accelerators 128. A command may have several; its first is the one menus and tips name.
std::span<const Accelerator> MainAccelerators();

// Toolbar 128, left to right; 0 is a separator.
std::span<const int> MainToolbar();

}  // namespace tavelo
