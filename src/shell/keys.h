// The key table: SDL key events turned into the virtual-key numbers that
// KeyState is indexed by (Escape 27, 'A'-'Z' 65-90, '0'-'9' 48-57, F1 112, ...).
#pragma once

#include <cstdint>

// The virtual-key number of an SDL keycode, or -1 for a key that has none below 256.
int VirtualKeyFromKeycode(int32_t keycode);

// A key going down or up. Keys pressed with Alt held are system keys and leave
// the table alone; keys without a number are ignored.
void ApplyKeyEvent(bool down, int32_t keycode, uint16_t modifiers);
