#pragma once
#include <QKeyEvent>

// The platform's virtual-key code for a Qt key event (0 for a key it has no code for), and
// the modifier state 1 Shift + 2 Ctrl + 4 Alt.
int VirtualKeyCode(const QKeyEvent& event);
int ModifierState(Qt::KeyboardModifiers modifiers);
