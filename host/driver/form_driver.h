// What a person does to a form, for scripts and tests: typing, keys and clicks,
// each handed to the form model the way the desktop view hands it, so the dialog's
// handlers and the editing rules apply exactly as they would on screen.
//
// The functions act on the given control whether or not it has the focus (a script
// names the control it means), and let the dialog's errors through.
#pragma once

#include <cstdint>
#include <string_view>

#include "tolm/form.h"

namespace hub::driver {

// Types UTF-8 text into the control one character at a time: each goes through
// KeyPress (the form's handler first with KeyPreview), which sees the code point up
// to 0x7FFF and -1 above, and then, unless swallowed, into a text box by the editing
// rules. A line break ("\n", "\r" or "\r\n") is one Return; "\b" is Backspace; a
// malformed byte types U+FFFD.
void TypeText(tolm::FormControl& control, std::string_view text);

// Types one character as TypeText does; false when a KeyPress handler swallowed it
// (the dialog refused the character) or a text box would not take what reached it
// (a control character other than Backspace, or Return outside a multi-line box),
// true when it went on to the control.
bool TypeCharacter(tolm::FormControl& control, char32_t character);

// Types one key code as KeyPress handlers see it (a character code, KeyBackspace,
// KeyReturn; codes below 0 as tolm::CharacterOfKeyAscii reads them).
void TypeKey(tolm::FormControl& control, int16_t keyAscii);

// Presses a key on the control: KeyDown (the form's first with KeyPreview); an
// unswallowed Tab then moves the focus to the next control in tab order, or with
// tolm::ShiftMask in `shift` to the previous one.
void PressKey(tolm::FormControl& control, int16_t keyCode, int16_t shift = 0);

// Clicks the control: it takes the focus, then its Click runs (visible, enabled
// controls only).
void Click(tolm::FormControl& control);

}  // namespace hub::driver
