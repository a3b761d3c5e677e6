#include "input/keys.h"

#include <array>
#include <utility>

namespace tressmoor::input {

namespace {

constexpr std::array<std::pair<std::string_view, Key>, 21> kNames = {{
    {"Backspace", Key::Backspace}, {"ScrollLock", Key::ScrollLock}, {"Esc", Key::Esc},
    {"Up", Key::Up},               {"Down", Key::Down},             {"Enter", Key::Enter},
    {"PageUp", Key::PageUp},       {"PageDown", Key::PageDown},     {"Space", Key::Space},
    {"F1", Key::F1},   {"F2", Key::F2},   {"F3", Key::F3},   {"F4", Key::F4},
    {"F5", Key::F5},   {"F6", Key::F6},   {"F7", Key::F7},   {"F8", Key::F8},
    {"F9", Key::F9},   {"F10", Key::F10}, {"F11", Key::F11}, {"F12", Key::F12},
}};

}  // namespace

std::optional<KeyStroke> parseKeyName(std::string_view name) {
    KeyStroke stroke;
    if (name.starts_with("Shift+")) {
        stroke.shift = true;
        name.remove_prefix(6);
    }
    if (name.size() == 1 && static_cast<unsigned char>(name[0]) > ' ' &&
        static_cast<unsigned char>(name[0]) < 0x7F) {
        stroke.character = name[0];
        return stroke;
    }
    for (const auto& [text, key] : kNames) {
        if (name == text) {
            stroke.key = key;
            if (key == Key::Space) stroke.character = ' ';
            if (key == Key::Enter) stroke.character = '\r';
            return stroke;
        }
    }
    return std::nullopt;
}

std::string keyName(const KeyStroke& stroke) {
    std::string text = stroke.shift ? "Shift+" : "";
    if (stroke.key == Key::None) return text + std::string(1, stroke.character);
    for (const auto& [name, key] : kNames) {
        if (key == stroke.key) return text + std::string(name);
    }
    return text + "?";
}

}  // namespace tressmoor::input
