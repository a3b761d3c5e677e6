// Key names as scripts and controllers write them.
#include "input/keys.h"

#include <gtest/gtest.h>

namespace tressmoor::input {
namespace {

TEST(KeyNames, CharactersKeysAndShiftRoundTrip) {
    for (const char* name : {"8", "z", ",", "/", "Enter", "Esc", "Space", "Backspace", "PageUp",
                             "PageDown", "F1", "F12", "Shift+F5", "Shift+Up", "ScrollLock"}) {
        auto stroke = parseKeyName(name);
        ASSERT_TRUE(stroke) << name;
        EXPECT_EQ(keyName(*stroke), name);
    }
    EXPECT_EQ(parseKeyName("Shift+F11")->key, Key::F11);
    EXPECT_TRUE(parseKeyName("Shift+F11")->shift);
    EXPECT_EQ(parseKeyName("q")->character, 'q');
    EXPECT_EQ(parseKeyName("Space")->character, ' ');
}

TEST(KeyNames, UnknownNamesAreRefused) {
    for (const char* name : {"", "F13", "Shift+", "enter", "zz", "Ctrl+A"}) {
        EXPECT_FALSE(parseKeyName(name)) << name;
    }
}

}  // namespace
}  // namespace tressmoor::input
