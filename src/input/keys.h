// Platform-neutral keys: what the GUI maps its key events onto and what scripts name.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace tressmoor::input {

/// Keys handled on key-down and key-up (the character keys arrive as characters instead).
enum class Key : std::uint8_t {
    None,
    Backspace,
    ScrollLock,
    Esc,
    Up,
    Down,
    Enter,
    PageUp,
    PageDown,
    F1, F2, F3, F4, F5, F6, F7, F8, F9, F10, F11, F12,
    Space,
};

/// A key or a character as a script or a controller names it.
struct KeyStroke {
    Key key = Key::None;  ///< a key-down key, or None for a character
    char character = 0;   ///< the character when key is None (or Space / Enter's character)
    bool shift = false;
};

/// Parses "8", "z", "Enter", "Esc", "Space", "Backspace", "PageUp", "PageDown", "Up", "Down",
/// "ScrollLock", "F1" … "F12", each optionally prefixed with "Shift+". nullopt for anything
/// else.
std::optional<KeyStroke> parseKeyName(std::string_view name);

/// The name parseKeyName reads back ("Shift+F5", "z").
std::string keyName(const KeyStroke& stroke);

}  // namespace tressmoor::input
