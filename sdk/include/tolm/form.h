// The form model: the plug-in's own dialogs, written once and shown either headless
// (scripted) or drawn by the desktop front end.
//
// Geometry is in twips (15 twips = 1 pixel at 96 dpi). A form holds its controls in
// declaration order; the tab order is each control's TabIndex. Events are plain
// callbacks the dialog's code sets; the model raises them as a person's actions would:
// typing a character raises KeyPress (which may swallow it by setting the code to 0)
// and then Change; moving the focus raises LostFocus and GotFocus; a click raises
// Click on an enabled button. With KeyPreview the form sees key presses first.
//
// Two kinds of callers. The dialog's code sets properties and handles events. A
// view (the desktop window, or a scripted driver standing in for a person) draws
// the form, follows Form::Changes() and hands the person's actions to the model
// through the operations marked "for views" below, so the dialog's handlers and the
// editing rules apply the same way whatever shows the form.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "tolm/export.h"
#include "tolm/object.h"
#include "tolm/observers.h"

namespace tolm {

inline constexpr int16_t KeyF1 = 112;
inline constexpr int16_t KeyBackspace = 8;
inline constexpr int16_t KeyTab = 9;
inline constexpr int16_t KeyReturn = 13;
inline constexpr int16_t KeyEscape = 27;

// Bits of the Shift argument of KeyDown.
inline constexpr int16_t ShiftMask = 1;
inline constexpr int16_t CtrlMask = 2;
inline constexpr int16_t AltMask = 4;

// The code KeyPress handlers see for a typed character: its code point up to 0x7FFF,
// -1 for a character above (which does not fit the 16-bit code).
constexpr int16_t KeyAsciiOf(char32_t character) noexcept {
    return character > 0x7FFF ? int16_t{-1} : static_cast<int16_t>(character);
}

// The character a key code stands for once a KeyPress handler has set it: codes from
// 0 up are code points; codes below 0 carry a 16-bit character unit, so a handler
// can put any character up to U+FFFE. Nothing for -1 and for surrogate halves.
constexpr std::optional<char32_t> CharacterOfKeyAscii(int16_t keyAscii) noexcept {
    if (keyAscii >= 0) return static_cast<char32_t>(keyAscii);
    const char32_t unit = static_cast<uint16_t>(keyAscii);
    if (unit == 0xFFFF || (unit >= 0xD800 && unit <= 0xDFFF)) return std::nullopt;
    return unit;
}

struct TwipsRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

enum class ControlKind { Label, TextBox, Button };

class Form;
class FormControl;

// What changed on a form, as told to the observers of Form::Changes(). Each is told
// once the model holds the new value, and only when the value differs from the old
// one; the observers are called before the dialog's own event handlers (Change,
// GotFocus, Load, Unloaded) run.
enum class FormChange {
    // Of a control (the observer's first argument):
    Text,        // Text(): a text box's content, a label's or a button's caption
    Visible,     // Visible()
    Enabled,     // Enabled()
    Locked,      // Locked()
    MaxLength,   // MaxLength()
    MultiLine,   // MultiLine()
    Selection,   // SelStart() or SelLength(), the caret included
    // Of the form (the first argument is nullptr):
    Caption,     // Caption()
    ClientSize,  // ClientWidth() or ClientHeight()
    Font,        // FontName() or FontSize()
    Focus,       // ActiveControl(), nullptr included
    Loaded,      // IsLoaded() became true (BeginModal)
    Unloaded,    // IsUnloaded() became true (Unload)
};

// The observer list of a form: (control or nullptr, what changed).
using FormObservers = Observers<const FormControl*, FormChange>;

class TOLM_SDK_API FormControl {
public:
    FormControl(Form& owner, std::string name, ControlKind kind, TwipsRect rect, int32_t tabIndex);

    const std::string& Name() const { return m_name; }
    ControlKind Kind() const { return m_kind; }
    const TwipsRect& Rect() const { return m_rect; }
    int32_t TabIndex() const { return m_tabIndex; }
    Form& Owner() const { return m_owner; }

    // Caption of labels and buttons, content of text boxes.
    const std::string& Text() const { return m_text; }
    // Sets the text (malformed UTF-8 replaced, cut to MaxLength characters) and puts
    // the caret at its end; raises Change when it differs.
    void SetText(const std::string& text);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value);
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value);
    // Read-only text box: typing changes nothing, the focus is still taken.
    bool Locked() const { return m_locked; }
    void SetLocked(bool value);
    // Maximum number of characters (0: no limit). Applies to text set or typed later.
    int32_t MaxLength() const { return m_maxLength; }
    void SetMaxLength(int32_t value);
    bool MultiLine() const { return m_multiLine; }
    void SetMultiLine(bool value);
    // Selection of a text box, in characters; a length of 0 is the caret alone.
    int32_t SelStart() const { return m_selStart; }
    int32_t SelLength() const { return m_selLength; }
    // Clamped to the text.
    void SetSelection(int32_t start, int32_t length);
    bool HasFocus() const;
    // Gives this control the focus (LostFocus of the previous one, then GotFocus).
    // Also for views: where a person puts the focus. Raises InvalidProcedureCall
    // for a label or a hidden or disabled control.
    void SetFocus();

    // Events.
    std::function<void(int16_t& KeyAscii)> KeyPress;
    std::function<void(int16_t& KeyCode, int16_t Shift)> KeyDown;
    std::function<void()> Change;
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;
    std::function<void()> Click;

    // ---- For views: a person's actions ----------------------------------------------
    // A key down on this control: the form's KeyDown first with KeyPreview, then the
    // control's. Returns the code the handlers left, 0 when one swallowed the key
    // (a form's swallow keeps it from the control). The key does nothing more here:
    // for an unswallowed Tab the view moves the focus (Form::FocusNext/FocusPrevious).
    int16_t RaiseKeyDown(int16_t keyCode, int16_t shift = 0);
    // KeyPress likewise, for a typed character's code (see KeyAsciiOf); returns the
    // code left, which a handler may have changed, or 0.
    int16_t RaiseKeyPress(int16_t keyAscii);
    // Edits a text box as typing the character does, without KeyPress: it replaces
    // the selection or goes in at the caret; Backspace (8) deletes the selection or
    // the character before the caret; other control characters type nothing, except
    // Return (13) in a multi-line box, which inserts "\r\n". Nothing goes beyond
    // MaxLength. Labels, buttons and disabled or locked boxes ignore it. Raises Change
    // when the text changed.
    void ApplyCharacter(char32_t character);
    // A character a person typed: RaiseKeyPress with KeyAsciiOf(character), then
    // ApplyCharacter with the character, or with the one a handler changed the code
    // to (CharacterOfKeyAscii); nothing when a handler swallowed it.
    void HandleCharacter(char32_t character);
    // A click: a visible, enabled control other than a label takes the focus
    // (LostFocus/GotFocus) and then raises Click, if it is still visible and enabled.
    // Hidden or disabled controls ignore it.
    void HandleClick();

private:
    void Announce(FormChange change);
    // Collapses the selection to a caret at `position`; true when that moved it.
    bool MoveCaret(int32_t position);

    Form& m_owner;
    std::string m_name;
    ControlKind m_kind;
    TwipsRect m_rect;
    int32_t m_tabIndex;
    std::string m_text;
    bool m_visible = true;
    bool m_enabled = true;
    bool m_locked = false;
    int32_t m_maxLength = 0;
    bool m_multiLine = false;
    int32_t m_selStart = 0;
    int32_t m_selLength = 0;
};

// A dialog. Shown modally by the platform (ShowModal): Load runs first, then
// Activate; the call returns when the form is unloaded.
class TOLM_SDK_API Form : public Object {
public:
    explicit Form(std::string name);
    ~Form() override;
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    const std::string& Name() const { return m_name; }
    const std::string& Caption() const { return m_caption; }
    void SetCaption(const std::string& text);
    int32_t ClientWidth() const { return m_clientWidth; }
    int32_t ClientHeight() const { return m_clientHeight; }
    void SetClientSize(int32_t width, int32_t height);
    const std::string& FontName() const { return m_fontName; }
    double FontSize() const { return m_fontSize; }
    void SetFont(const std::string& name, double size);
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool value) { m_keyPreview = value; }

    // Changes a view draws (see FormChange). The form notifies; anybody may subscribe,
    // through a const form too: watching changes nothing.
    FormObservers& Changes() const { return m_changes; }

    // Adds a control; the form owns it. Names are unique.
    FormControl& AddControl(const std::string& name, ControlKind kind, TwipsRect rect, int32_t tabIndex);
    // Raises ObjectNotFound for an unknown name.
    FormControl& Control(const std::string& name) const;
    const std::vector<std::unique_ptr<FormControl>>& Controls() const { return m_controls; }
    // Controls that can take the focus (visible, enabled, not labels), in tab order.
    std::vector<FormControl*> TabOrder() const;
    FormControl* ActiveControl() const { return m_active; }

    // Form events.
    std::function<void()> Load;
    std::function<void()> Activate;
    std::function<void(int16_t& KeyCode, int16_t Shift)> KeyDown;
    std::function<void(int16_t& KeyAscii)> KeyPress;
    std::function<void()> Unloaded;

    // The modal life cycle, driven by the platform: BeginModal raises Load and
    // Activate and gives the focus to the first control in tab order unless a
    // handler placed it; Unload raises Unloaded once and ends the modal show.
    void BeginModal();
    void Unload();
    // For the host, around work a click starts that it may undo: while held, Unload
    // only notes that it was asked for. ReleaseUnload(true) then unloads as asked;
    // ReleaseUnload(false) forgets the request, so the dialog stays open with what
    // the person typed when the work it would have followed was undone.
    void HoldUnload();
    void ReleaseUnload(bool apply);
    bool IsLoaded() const { return m_loaded; }
    bool IsUnloaded() const { return m_unloaded; }

    // For views: the Tab key. Moves the focus to the next control in tab order, after
    // the last to the first; FocusPrevious (Shift+Tab) goes the other way. From no
    // focused control, Tab goes to the first and Shift+Tab to the last. Nothing when
    // no control can take the focus.
    void FocusNext();
    void FocusPrevious();

private:
    friend class FormControl;
    void MoveFocus(FormControl* target);
    void Announce(FormChange change) { m_changes.Notify(nullptr, change); }

    std::string m_name;
    std::string m_caption;
    int32_t m_clientWidth = 0;
    int32_t m_clientHeight = 0;
    std::string m_fontName;
    double m_fontSize = 9;
    bool m_keyPreview = false;
    std::vector<std::unique_ptr<FormControl>> m_controls;
    FormControl* m_active = nullptr;
    bool m_loaded = false;
    bool m_unloaded = false;
    bool m_unloadHeld = false;
    bool m_unloadAsked = false;
    mutable FormObservers m_changes;
};

}  // namespace tolm
