#include "tolm/form.h"

#include <algorithm>
#include <string_view>

#include "tolm/host_error.h"
#include "tolm/text.h"

namespace tolm {

namespace {

// Lengths and selections count characters, not bytes: a text box limited to 20
// characters takes 20 Chinese characters.
using text::ByteOffset;
using text::CharacterCount;
using text::EncodeUtf8;

// The character a key code stands for. Codes below 0 carry a 16-bit character
// unit; -1 stands for a character that does not fit and inserts nothing.
std::string CharacterFor(int16_t code) {
    if (code >= 0) return EncodeUtf8(static_cast<char32_t>(code));
    const char32_t unit = static_cast<uint16_t>(code);
    if (unit == 0xFFFF || (unit >= 0xD800 && unit <= 0xDFFF)) return {};
    return EncodeUtf8(unit);
}

// Handlers are copied before they run: a handler may replace itself.
template <class... Args>
void Raise(const std::function<void(Args...)>& handler, Args... args) {
    if (!handler) return;
    auto call = handler;
    call(std::forward<Args>(args)...);
}

void RaiseKey(const std::function<void(int16_t&)>& handler, int16_t& code) {
    if (!handler) return;
    auto call = handler;
    call(code);
}

void RaiseKeyDown(const std::function<void(int16_t&, int16_t)>& handler, int16_t& code, int16_t shift) {
    if (!handler) return;
    auto call = handler;
    call(code, shift);
}

// KeyPress as the form (with KeyPreview) and then the control see it; 0 when one
// of them swallowed the key.
int16_t FilterKeyPress(FormControl& control, int16_t code) {
    Form& form = control.Owner();
    if (form.KeyPreview()) {
        RaiseKey(form.KeyPress, code);
        if (code == 0) return 0;
    }
    RaiseKey(control.KeyPress, code);
    return code;
}

constexpr int16_t ShiftMask = 1;

}  // namespace

// ---- FormControl ------------------------------------------------------------------------

FormControl::FormControl(Form& owner, std::string name, ControlKind kind, TwipsRect rect, int32_t tabIndex)
    : m_owner(owner), m_name(std::move(name)), m_kind(kind), m_rect(rect), m_tabIndex(tabIndex) {}

void FormControl::SetText(const std::string& text) {
    std::string value = text::ToValidUtf8(text);
    if (m_maxLength > 0) value.resize(ByteOffset(value, static_cast<size_t>(m_maxLength)));
    if (value == m_text) return;
    m_text = std::move(value);
    // The caret goes to the end, where typing continues.
    m_selStart = static_cast<int32_t>(CharacterCount(m_text));
    m_selLength = 0;
    Raise(Change);
}

void FormControl::SetSelection(int32_t start, int32_t length) {
    const auto count = static_cast<int32_t>(CharacterCount(m_text));
    m_selStart = std::clamp(start, 0, count);
    m_selLength = std::clamp(length, 0, count - m_selStart);
}

bool FormControl::HasFocus() const {
    return m_owner.ActiveControl() == this;
}

void FormControl::SetFocus() {
    m_owner.MoveFocus(this);
}

void FormControl::TypeKey(int16_t keyAscii) {
    const int16_t code = FilterKeyPress(*this, keyAscii);
    if (code == 0) return;
    InsertTypedCharacter(CharacterFor(code));
}

void FormControl::TypeText(const std::string& text) {
    const std::u32string characters = text::CodePoints(text);
    for (size_t i = 0; i < characters.size(); ++i) {
        char32_t codePoint = characters[i];
        // A line break in the text is the Return key, whichever way it is written.
        if (codePoint == '\n') {
            if (i > 0 && characters[i - 1] == '\r') continue;
            codePoint = KeyReturn;
        }
        const auto key = codePoint > 0x7FFF ? int16_t{-1} : static_cast<int16_t>(codePoint);
        const int16_t code = FilterKeyPress(*this, key);
        if (code == 0) continue;
        // A handler that changed the code typed a different character.
        InsertTypedCharacter(code == key ? EncodeUtf8(codePoint) : CharacterFor(code));
    }
}

void FormControl::InsertTypedCharacter(const std::string& utf8) {
    if (utf8.empty() || m_kind != ControlKind::TextBox || !m_enabled || m_locked) return;

    const size_t count = CharacterCount(m_text);
    const size_t selStart = std::min(static_cast<size_t>(m_selStart), count);
    const size_t selLength = std::min(static_cast<size_t>(m_selLength), count - selStart);
    const size_t from = ByteOffset(m_text, selStart);
    const size_t to = ByteOffset(m_text, selStart + selLength);

    std::string text = m_text;
    size_t caret;
    if (utf8 == "\b") {
        if (selLength > 0) {
            text.erase(from, to - from);
            caret = selStart;
        } else if (selStart > 0) {
            const size_t previous = ByteOffset(m_text, selStart - 1);
            text.erase(previous, from - previous);
            caret = selStart - 1;
        } else {
            return;
        }
    } else {
        std::string insert = utf8;
        if (static_cast<unsigned char>(utf8[0]) < 0x20) {
            // Control characters type nothing, except Return in a multi-line box,
            // which breaks the line.
            if (utf8 != "\r" || !m_multiLine) return;
            insert = "\r\n";
        }
        const size_t insertCount = CharacterCount(insert);
        if (m_maxLength > 0 && count - selLength + insertCount > static_cast<size_t>(m_maxLength)) return;
        text.replace(from, to - from, insert);
        caret = selStart + insertCount;
    }
    m_selStart = static_cast<int32_t>(caret);
    m_selLength = 0;
    if (text == m_text) return;
    m_text = std::move(text);
    Raise(Change);
}

void FormControl::PressKey(int16_t keyCode, int16_t shift) {
    int16_t code = keyCode;
    if (m_owner.KeyPreview()) {
        RaiseKeyDown(m_owner.KeyDown, code, shift);
        if (code == 0) return;
    }
    RaiseKeyDown(KeyDown, code, shift);
    if (code != KeyTab) return;
    if ((shift & ShiftMask) == 0) {
        m_owner.FocusNext();
        return;
    }
    const std::vector<FormControl*> order = m_owner.TabOrder();
    if (order.empty()) return;
    auto current = std::find(order.begin(), order.end(), m_owner.ActiveControl());
    FormControl* target = (current == order.end() || current == order.begin()) ? order.back() : *(current - 1);
    m_owner.MoveFocus(target);
}

void FormControl::PerformClick() {
    if (!m_visible || !m_enabled) return;
    // A click takes the focus first, as the mouse does: the control that had it
    // sees LostFocus before the Click runs.
    if (m_kind != ControlKind::Label && !HasFocus()) m_owner.MoveFocus(this);
    if (!m_visible || !m_enabled) return;
    Raise(Click);
}

// ---- Form ---------------------------------------------------------------------------------

Form::Form(std::string name) : m_name(std::move(name)) {}

Form::~Form() = default;

void Form::SetClientSize(int32_t width, int32_t height) {
    if (width < 0 || height < 0) {
        throw HostError(err::InvalidProcedureCall, "Invalid procedure call or argument: negative form size");
    }
    m_clientWidth = width;
    m_clientHeight = height;
}

void Form::SetFont(const std::string& name, double size) {
    if (!(size > 0)) throw HostError(err::InvalidProcedureCall, "Invalid procedure call or argument: font size");
    m_fontName = name;
    m_fontSize = size;
}

FormControl& Form::AddControl(const std::string& name, ControlKind kind, TwipsRect rect, int32_t tabIndex) {
    for (const auto& control : m_controls) {
        if (text::EqualsNoCase(control->Name(), name)) {
            throw HostError(err::DuplicateKey, "A control named " + name + " already exists on " + m_name);
        }
    }
    m_controls.push_back(std::make_unique<FormControl>(*this, name, kind, rect, tabIndex));
    return *m_controls.back();
}

FormControl& Form::Control(const std::string& name) const {
    for (const auto& control : m_controls) {
        if (text::EqualsNoCase(control->Name(), name)) return *control;
    }
    throw HostError(err::ObjectNotFound, "No control named " + name + " on " + m_name);
}

std::vector<FormControl*> Form::TabOrder() const {
    std::vector<FormControl*> order;
    for (const auto& control : m_controls) {
        if (control->Kind() != ControlKind::Label && control->Visible() && control->Enabled()) {
            order.push_back(control.get());
        }
    }
    std::stable_sort(order.begin(), order.end(),
                     [](const FormControl* a, const FormControl* b) { return a->TabIndex() < b->TabIndex(); });
    return order;
}

void Form::BeginModal() {
    m_loaded = true;
    m_unloaded = false;
    Raise(Load);
    if (m_unloaded) return;  // Load closed the form again
    Raise(Activate);
    if (m_unloaded || m_active) return;
    const std::vector<FormControl*> order = TabOrder();
    if (!order.empty()) MoveFocus(order.front());
}

void Form::Unload() {
    if (m_unloaded) return;
    m_unloaded = true;
    m_loaded = false;
    m_active = nullptr;
    Raise(Unloaded);
}

void Form::FocusNext() {
    const std::vector<FormControl*> order = TabOrder();
    if (order.empty()) return;
    auto current = std::find(order.begin(), order.end(), m_active);
    FormControl* target = (current == order.end() || current + 1 == order.end()) ? order.front() : *(current + 1);
    MoveFocus(target);
}

void Form::MoveFocus(FormControl* target) {
    if (target->Kind() == ControlKind::Label || !target->Visible() || !target->Enabled()) {
        throw HostError(err::InvalidProcedureCall,
                        "Invalid procedure call or argument: " + target->Name() + " cannot take the focus");
    }
    if (target == m_active) return;
    FormControl* previous = m_active;
    // The focus belongs to the target from here on; a LostFocus handler that moves it
    // elsewhere wins, and the target then gets no GotFocus.
    m_active = target;
    if (previous) Raise(previous->LostFocus);
    if (m_active == target) Raise(target->GotFocus);
}

}  // namespace tolm
