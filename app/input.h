// The user's hands on the scene: the drag of each mouse button, and the one table of keys from
// which both what a key does and the key list that "h" shows come.
#pragma once

#include <vector>

/// State of one mouse-button drag: armed by a press, with the last pointer position.
struct DragState {
    bool active = false;
    double x = 0.0;
    double y = 0.0;

    /// A press (`down`) arms the drag at (`px`, `py`); a release disarms it and the position
    /// stays.
    void press(bool down, int px, int py);
    /// The pointer moved to (`px`, `py`): for an active drag, `dx` and `dy` say how far since
    /// the last position, which becomes (`px`, `py`), and the result is true. An inactive drag
    /// changes nothing and answers false.
    bool follow(int px, int py, double& dx, double& dy);
};

/// What a key asks of the program.
enum class Command { None, Quit, Step, Pause, Fullscreen, Screenshot, KeyList };

/// The command of `key`; letters are lower case only ("Q" is another key).
Command commandFor(unsigned char key);

/// The key list, one line per key and one for the drags, in the order it shows.
const std::vector<const char*>& keyList();
