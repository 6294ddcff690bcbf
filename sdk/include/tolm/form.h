// The form model: the plug-in's own dialogs, written once and shown either headless
// (scripted) or drawn by the desktop front end.
//
// Geometry is in twips (15 twips = 1 pixel at 96 dpi). A form holds its controls in
// declaration order; the tab order is each control's TabIndex. Events are plain
// callbacks the dialog's code sets; the model raises them as a person's actions would:
// typing a character raises KeyPress (which may swallow it by setting the code to 0)
// and then Change; moving the focus raises LostFocus and GotFocus; a click raises
// Click on an enabled button. With KeyPreview the form sees key presses first.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "tolm/export.h"
#include "tolm/object.h"

namespace tolm {

inline constexpr int16_t KeyF1 = 112;
inline constexpr int16_t KeyBackspace = 8;
inline constexpr int16_t KeyTab = 9;
inline constexpr int16_t KeyReturn = 13;
inline constexpr int16_t KeyEscape = 27;

struct TwipsRect {
    int32_t left = 0;
    int32_t top = 0;
    int32_t width = 0;
    int32_t height = 0;
};

enum class ControlKind { Label, TextBox, Button };

class Form;

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
    // Sets the text (cut to MaxLength characters); raises Change when it differs.
    void SetText(const std::string& text);
    bool Visible() const { return m_visible; }
    void SetVisible(bool value) { m_visible = value; }
    bool Enabled() const { return m_enabled; }
    void SetEnabled(bool value) { m_enabled = value; }
    // Read-only text box: typing changes nothing, the focus is still taken.
    bool Locked() const { return m_locked; }
    void SetLocked(bool value) { m_locked = value; }
    // Maximum number of characters (0: no limit).
    int32_t MaxLength() const { return m_maxLength; }
    void SetMaxLength(int32_t value) { m_maxLength = value; }
    bool MultiLine() const { return m_multiLine; }
    void SetMultiLine(bool value) { m_multiLine = value; }
    // Selection of a text box, in characters.
    int32_t SelStart() const { return m_selStart; }
    int32_t SelLength() const { return m_selLength; }
    void SetSelection(int32_t start, int32_t length);
    bool HasFocus() const;
    // Gives this control the focus (LostFocus of the previous one, then GotFocus).
    void SetFocus();

    // Events.
    std::function<void(int16_t& KeyAscii)> KeyPress;
    std::function<void(int16_t& KeyCode, int16_t Shift)> KeyDown;
    std::function<void()> Change;
    std::function<void()> GotFocus;
    std::function<void()> LostFocus;
    std::function<void()> Click;

    // What a person does. TypeText types each character in turn (UTF-8 text;
    // characters are passed to KeyPress by code point, those above 0x7FFF as -1;
    // a line break, "\n" or "\r\n", is typed as Return).
    // A typed character replaces the selection or goes in at the caret (the end of
    // the text after SetText); backspace deletes the selection or the character
    // before the caret; other control characters type nothing, except Return in a
    // multi-line box, which inserts "\r\n".
    void TypeText(const std::string& text);
    void TypeKey(int16_t keyAscii);
    // KeyDown (the form's first with KeyPreview); Tab then moves the focus to the
    // next control in tab order, Shift+Tab (shift 1) to the previous one.
    void PressKey(int16_t keyCode, int16_t shift = 0);
    // A mouse click: a visible, enabled control other than a label takes the focus
    // (LostFocus/GotFocus) and then raises Click.
    void PerformClick();

private:
    void InsertTypedCharacter(const std::string& utf8);

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
    void SetCaption(const std::string& text) { m_caption = text; }
    int32_t ClientWidth() const { return m_clientWidth; }
    int32_t ClientHeight() const { return m_clientHeight; }
    void SetClientSize(int32_t width, int32_t height);
    const std::string& FontName() const { return m_fontName; }
    double FontSize() const { return m_fontSize; }
    void SetFont(const std::string& name, double size);
    bool KeyPreview() const { return m_keyPreview; }
    void SetKeyPreview(bool value) { m_keyPreview = value; }

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
    bool IsLoaded() const { return m_loaded; }
    bool IsUnloaded() const { return m_unloaded; }

    // Moves the focus to the next control in tab order (as the Tab key does).
    void FocusNext();

private:
    friend class FormControl;
    void MoveFocus(FormControl* target);

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
};

}  // namespace tolm
