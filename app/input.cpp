#include "input.h"

#include <cstring>

namespace {

// Every key the program answers, with its line in the key list.
struct Binding {
    const char* keys; // the characters that give the command
    Command command;
    const char* line;
};

const Binding kBindings[] = {
    {"p ", Command::Pause, "p or space: pause / resume"},
    {"f", Command::Fullscreen, "f: fullscreen on / off"},
    {"s", Command::Screenshot, "s: save a screenshot (PNG, working directory)"},
    {"r", Command::Step, "r: one animation step"},
    {"h", Command::KeyList, "h: hide this list"},
    {"q\x1b", Command::Quit, "q or Escape: quit"},
};

} // namespace

void DragState::press(bool down, int px, int py) {
    active = down;
    if (down) {
        x = px;
        y = py;
    }
}

bool DragState::follow(int px, int py, double& dx, double& dy) {
    if (!active)
        return false;
    dx = px - x;
    dy = py - y;
    x = px;
    y = py;
    return true;
}

Command commandFor(unsigned char key) {
    // NUL would match the end of every list of keys.
    if (key == '\0')
        return Command::None;
    for (const Binding& b : kBindings)
        if (std::strchr(b.keys, key) != nullptr)
            return b.command;
    return Command::None;
}

const std::vector<const char*>& keyList() {
    static const std::vector<const char*> lines = [] {
        std::vector<const char*> out;
        for (const Binding& b : kBindings)
            out.push_back(b.line);
        out.push_back("left drag: move, right drag: turn");
        return out;
    }();
    return lines;
}
