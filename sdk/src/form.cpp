#include "tolm/form.h"

#include <algorithm>
#include <string_view>
#include <type_traits>
#include <utility>

#include "tolm/host_error.h"
#include "tolm/text.h"

namespace tolm {

namespace {

// Lengths and selections count characters, not bytes: a text box limited to 20
// characters takes 20 Chinese characters.
int32_t CharacterCount(std::string_view text) {
    return static_cast<int32_t>(text::CharacterCount(text));
}

size_t ByteOffset(std::string_view text, int32_t index) {
    return text::ByteOffset(text, static_cast<size_t>(std::max(index, 0)));
}

// Handlers are copied before they run: a handler may replace itself.
template <class... Params, class... Args>
void Raise(const std::function<void(Params...)>& handler, Args&&... args) {
    if (!handler) return;
    auto call = handler;
    call(std::forward<Args>(args)...);
}

// Sets a property; true when the value changed, so that it is worth telling.
template <class T>
bool Assign(T& property, const std::type_identity_t<T>& value) {
    if (property == value) return false;
    property = value;
    return true;
}

}  // namespace

// ---- FormControl ------------------------------------------------------------------------

FormControl::FormControl(Form& owner, std::string name, ControlKind kind, TwipsRect rect, int32_t tabIndex)
    : m_owner(owner), m_name(std::move(name)), m_kind(kind), m_rect(rect), m_tabIndex(tabIndex) {}

void FormControl::Announce(FormChange change) {
    m_owner.m_changes.Notify(this, change);
}

bool FormControl::MoveCaret(int32_t position) {
    const bool startMoved = Assign(m_selStart, position);
    const bool lengthChanged = Assign(m_selLength, 0);
    return startMoved || lengthChanged;
}

void FormControl::SetText(const std::string& text) {
    std::string value = text::ToValidUtf8(text);
    if (m_maxLength > 0) value.resize(ByteOffset(value, m_maxLength));
    if (value == m_text) return;
    m_text = std::move(value);
    // The caret goes to the end, where typing continues.
    const bool selectionMoved = MoveCaret(CharacterCount(m_text));
    Announce(FormChange::Text);
    if (selectionMoved) Announce(FormChange::Selection);
    Raise(Change);
}

void FormControl::SetVisible(bool value) {
    if (Assign(m_visible, value)) Announce(FormChange::Visible);
}

void FormControl::SetEnabled(bool value) {
    if (Assign(m_enabled, value)) Announce(FormChange::Enabled);
}

void FormControl::SetLocked(bool value) {
    if (Assign(m_locked, value)) Announce(FormChange::Locked);
}

void FormControl::SetMaxLength(int32_t value) {
    if (Assign(m_maxLength, value)) Announce(FormChange::MaxLength);
}

void FormControl::SetMultiLine(bool value) {
    if (Assign(m_multiLine, value)) Announce(FormChange::MultiLine);
}

void FormControl::SetSelection(int32_t start, int32_t length) {
    const int32_t count = CharacterCount(m_text);
    const int32_t clampedStart = std::clamp(start, 0, count);
    const int32_t clampedLength = std::clamp(length, 0, count - clampedStart);
    const bool startMoved = Assign(m_selStart, clampedStart);
    const bool lengthChanged = Assign(m_selLength, clampedLength);
    if (startMoved || lengthChanged) Announce(FormChange::Selection);
}

bool FormControl::HasFocus() const {
    return m_owner.ActiveControl() == this;
}

void FormControl::SetFocus() {
    m_owner.MoveFocus(this);
}

int16_t FormControl::RaiseKeyDown(int16_t keyCode, int16_t shift) {
    if (m_owner.KeyPreview()) {
        Raise(m_owner.KeyDown, keyCode, shift);
        if (keyCode == 0) return 0;
    }
    Raise(KeyDown, keyCode, shift);
    return keyCode;
}

int16_t FormControl::RaiseKeyPress(int16_t keyAscii) {
    if (m_owner.KeyPreview()) {
        Raise(m_owner.KeyPress, keyAscii);
        if (keyAscii == 0) return 0;
    }
    Raise(KeyPress, keyAscii);
    return keyAscii;
}

void FormControl::HandleCharacter(char32_t character) {
    const int16_t key = KeyAsciiOf(character);
    const int16_t code = RaiseKeyPress(key);
    if (code == 0) return;
    // The code of a character above 0x7FFF says only that there was one; unchanged,
    // the character itself goes in. A handler that changed the code typed another.
    const std::optional<char32_t> typed = code == key ? character : CharacterOfKeyAscii(code);
    if (typed) ApplyCharacter(*typed);
}

void FormControl::ApplyCharacter(char32_t character) {
    if (m_kind != ControlKind::TextBox || !m_enabled || m_locked) return;

    const int32_t count = CharacterCount(m_text);
    const int32_t selStart = std::clamp(m_selStart, 0, count);
    const int32_t selLength = std::clamp(m_selLength, 0, count - selStart);
    const size_t from = ByteOffset(m_text, selStart);
    const size_t to = ByteOffset(m_text, selStart + selLength);

    std::string text = m_text;
    int32_t caret;
    if (character == static_cast<char32_t>(KeyBackspace)) {
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
        std::string insert;
        if (character < 0x20) {
            // Control characters type nothing, except Return in a multi-line box,
            // which breaks the line.
            if (character != static_cast<char32_t>(KeyReturn) || !m_multiLine) return;
            insert = "\r\n";
        } else {
            insert = text::EncodeUtf8(character);
        }
        const int32_t insertCount = CharacterCount(insert);
        if (m_maxLength > 0 && count - selLength + insertCount > m_maxLength) return;
        text.replace(from, to - from, insert);
        caret = selStart + insertCount;
    }
    const bool selectionMoved = MoveCaret(caret);
    const bool textChanged = text != m_text;
    if (textChanged) m_text = std::move(text);
    if (textChanged) Announce(FormChange::Text);
    if (selectionMoved) Announce(FormChange::Selection);
    if (textChanged) Raise(Change);
}

void FormControl::HandleClick() {
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

void Form::SetCaption(const std::string& text) {
    if (Assign(m_caption, text)) Announce(FormChange::Caption);
}

void Form::SetClientSize(int32_t width, int32_t height) {
    if (width < 0 || height < 0) {
        throw HostError(err::InvalidProcedureCall, "Invalid procedure call or argument: negative form size");
    }
    const bool widthChanged = Assign(m_clientWidth, width);
    const bool heightChanged = Assign(m_clientHeight, height);
    if (widthChanged || heightChanged) Announce(FormChange::ClientSize);
}

void Form::SetFont(const std::string& name, double size) {
    if (!(size > 0)) throw HostError(err::InvalidProcedureCall, "Invalid procedure call or argument: font size");
    const bool nameChanged = Assign(m_fontName, name);
    const bool sizeChanged = Assign(m_fontSize, size);
    if (nameChanged || sizeChanged) Announce(FormChange::Font);
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
    const bool wasLoaded = std::exchange(m_loaded, true);
    m_unloaded = false;
    if (!wasLoaded) Announce(FormChange::Loaded);
    Raise(Load);
    if (m_unloaded) return;  // Load closed the form again
    Raise(Activate);
    if (m_unloaded || m_active) return;
    const std::vector<FormControl*> order = TabOrder();
    if (!order.empty()) MoveFocus(order.front());
}

void Form::HoldUnload() {
    m_unloadHeld = true;
    m_unloadAsked = false;
}

void Form::ReleaseUnload(bool apply) {
    m_unloadHeld = false;
    if (std::exchange(m_unloadAsked, false) && apply) Unload();
}

void Form::Unload() {
    if (m_unloaded) return;
    if (m_unloadHeld) {
        m_unloadAsked = true;
        return;
    }
    m_unloaded = true;
    m_loaded = false;
    const bool hadFocus = std::exchange(m_active, nullptr) != nullptr;
    if (hadFocus) Announce(FormChange::Focus);
    Announce(FormChange::Unloaded);
    Raise(Unloaded);
}

void Form::FocusNext() {
    const std::vector<FormControl*> order = TabOrder();
    if (order.empty()) return;
    auto current = std::find(order.begin(), order.end(), m_active);
    MoveFocus((current == order.end() || current + 1 == order.end()) ? order.front() : *(current + 1));
}

void Form::FocusPrevious() {
    const std::vector<FormControl*> order = TabOrder();
    if (order.empty()) return;
    auto current = std::find(order.begin(), order.end(), m_active);
    MoveFocus((current == order.end() || current == order.begin()) ? order.back() : *(current - 1));
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
    Announce(FormChange::Focus);
    if (previous) Raise(previous->LostFocus);
    if (m_active == target) Raise(target->GotFocus);
}

}  // namespace tolm
