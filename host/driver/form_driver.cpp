#include "driver/form_driver.h"

#include <optional>

#include "tolm/text.h"

namespace hub::driver {

void TypeText(tolm::FormControl& control, std::string_view text) {
    const std::u32string characters = tolm::text::CodePoints(text);
    for (size_t i = 0; i < characters.size(); ++i) {
        char32_t character = characters[i];
        // A line break is the Return key, whichever way the text writes it.
        if (character == U'\n') {
            if (i > 0 && characters[i - 1] == U'\r') continue;
            character = static_cast<char32_t>(tolm::KeyReturn);
        }
        control.HandleCharacter(character);
    }
}

bool TypeCharacter(tolm::FormControl& control, char32_t character) {
    const int16_t code = control.RaiseKeyPress(tolm::KeyAsciiOf(character));
    if (code == 0) return false;
    const std::optional<char32_t> typed =
        code == tolm::KeyAsciiOf(character) ? std::optional(character) : tolm::CharacterOfKeyAscii(code);
    if (!typed) return true;
    // A box types no control character but Backspace, and Return only when it has
    // lines: a tab the dialog let pass would otherwise vanish without a word.
    const bool lineBreak = *typed == static_cast<char32_t>(tolm::KeyReturn) && control.MultiLine();
    if (*typed < 0x20 && *typed != static_cast<char32_t>(tolm::KeyBackspace) && !lineBreak) return false;
    control.ApplyCharacter(*typed);
    return true;
}

void TypeKey(tolm::FormControl& control, int16_t keyAscii) {
    const int16_t code = control.RaiseKeyPress(keyAscii);
    if (code == 0) return;
    if (const auto character = tolm::CharacterOfKeyAscii(code)) control.ApplyCharacter(*character);
}

void PressKey(tolm::FormControl& control, int16_t keyCode, int16_t shift) {
    if (control.RaiseKeyDown(keyCode, shift) != tolm::KeyTab) return;
    tolm::Form& form = control.Owner();
    if ((shift & tolm::ShiftMask) != 0) {
        form.FocusPrevious();
    } else {
        form.FocusNext();
    }
}

void Click(tolm::FormControl& control) {
    control.HandleClick();
}

}  // namespace hub::driver
