#include "platform/qt_form_dialog.h"

#include <QClipboard>
#include <QFontDatabase>
#include <QGuiApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>

#include <algorithm>
#include <string>
#include <utility>
#include <vector>


namespace hub {
namespace {

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

// A text box's text as the widget shows it, with where each of the model's
// characters starts in it: the model counts code points and keeps "\r\n" as two
// characters, the widget counts UTF-16 units and a multi-line box shows one break.
struct ShownText {
    QString text;
    std::vector<qsizetype> positions;  // one per character, then the end

    qsizetype ViewPosition(int32_t modelPosition) const {
        const size_t index = std::clamp<size_t>(static_cast<size_t>(std::max(modelPosition, 0)), 0, positions.size() - 1);
        return positions[index];
    }
    int32_t ModelPosition(qsizetype viewPosition) const {
        return static_cast<int32_t>(std::lower_bound(positions.begin(), positions.end(), viewPosition) - positions.begin());
    }
};

ShownText Shown(const std::string& text, bool multiLine) {
    const std::u32string characters = FromUtf8(text).toStdU32String();
    ShownText shown;
    for (size_t i = 0; i < characters.size(); ++i) {
        shown.positions.push_back(shown.text.size());
        if (multiLine && characters[i] == U'\r' && i + 1 < characters.size() && characters[i + 1] == U'\n') {
            shown.positions.push_back(shown.text.size());
            shown.text += QLatin1Char('\n');
            ++i;
            continue;
        }
        shown.text += QString::fromUcs4(&characters[i], 1);
    }
    shown.positions.push_back(shown.text.size());
    return shown;
}

// The key code KeyDown handlers see for a Qt key; 0 for a key they never see.
int16_t KeyCodeOf(const QKeyEvent& event) {
    const int key = event.key();
    if ((key >= Qt::Key_A && key <= Qt::Key_Z) || (key >= Qt::Key_0 && key <= Qt::Key_9)) return static_cast<int16_t>(key);
    if (key >= Qt::Key_F1 && key <= Qt::Key_F24) return static_cast<int16_t>(tolm::KeyF1 + (key - Qt::Key_F1));
    switch (key) {
        case Qt::Key_Backspace: return tolm::KeyBackspace;
        case Qt::Key_Tab:
        case Qt::Key_Backtab: return tolm::KeyTab;
        case Qt::Key_Return:
        case Qt::Key_Enter: return tolm::KeyReturn;
        case Qt::Key_Escape: return tolm::KeyEscape;
        case Qt::Key_Space: return 32;
        case Qt::Key_PageUp: return 33;
        case Qt::Key_PageDown: return 34;
        case Qt::Key_End: return 35;
        case Qt::Key_Home: return 36;
        case Qt::Key_Left: return 37;
        case Qt::Key_Up: return 38;
        case Qt::Key_Right: return 39;
        case Qt::Key_Down: return 40;
        case Qt::Key_Insert: return 45;
        case Qt::Key_Delete: return 46;
        default: return 0;
    }
}

int16_t ShiftOf(Qt::KeyboardModifiers modifiers) {
    int16_t shift = 0;
    if (modifiers & Qt::ShiftModifier) shift |= tolm::ShiftMask;
    if (modifiers & Qt::ControlModifier) shift |= tolm::CtrlMask;
    if (modifiers & Qt::AltModifier) shift |= tolm::AltMask;
    return shift;
}

bool MovesTheCaret(int key) {
    switch (key) {
        case Qt::Key_Left:
        case Qt::Key_Right:
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_Home:
        case Qt::Key_End:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown: return true;
        default: return false;
    }
}

}  // namespace

QString CjkFontFamily() {
    static const QString family = [] {
        for (const char* candidate : {"WenQuanYi Micro Hei", "Noto Sans CJK SC", "Noto Sans CJK TC", "Noto Serif CJK SC",
                                      "AR PL UMing CN", "Droid Sans Fallback"}) {
            if (QFontDatabase::hasFamily(QLatin1String(candidate))) return QString::fromLatin1(candidate);
        }
        const QStringList chinese = QFontDatabase::families(QFontDatabase::SimplifiedChinese);
        return chinese.isEmpty() ? QString() : chinese.front();
    }();
    return family;
}

QFont FormFont(const std::string& name, double pointSize) {
    QString family = FromUtf8(name);
    if (family.isEmpty() || !QFontDatabase::hasFamily(family)) family = CjkFontFamily();
    QFont font(family);
    font.setPointSizeF(pointSize > 0 ? pointSize : 9);
    return font;
}

FormDialog::FormDialog(tolm::Form& form, QWidget* parent) : QDialog(parent), m_form(form) {
    Build();
    m_subscription = m_form.Changes().Subscribe(
        [this](const tolm::FormControl* control, tolm::FormChange change) { OnChange(control, change); });
}

FormDialog::~FormDialog() = default;

QWidget* FormDialog::WidgetOf(const std::string& controlName) const {
    for (const auto& [control, widget] : m_widgets) {
        if (control->Name() == controlName) return widget;
    }
    return nullptr;
}

void FormDialog::Build() {
    setWindowTitle(FromUtf8(m_form.Caption()));
    setFont(FormFont(m_form.FontName(), m_form.FontSize()));
    const double pixelsPerTwip = logicalDpiX() / 1440.0;
    auto pixels = [pixelsPerTwip](int32_t twips) { return static_cast<int>(twips * pixelsPerTwip + 0.5); };
    setFixedSize(pixels(m_form.ClientWidth()), pixels(m_form.ClientHeight()));

    for (const auto& owned : m_form.Controls()) {
        tolm::FormControl& control = *owned;
        QWidget* widget = nullptr;
        switch (control.Kind()) {
            case tolm::ControlKind::Label: {
                auto* label = new QLabel(this);
                label->setTextFormat(Qt::PlainText);
                label->setWordWrap(true);
                label->setAlignment(Qt::AlignLeft | Qt::AlignTop);
                widget = label;
                break;
            }
            case tolm::ControlKind::TextBox: {
                if (control.MultiLine()) {
                    auto* edit = new QPlainTextEdit(this);
                    connect(edit, &QPlainTextEdit::cursorPositionChanged, this, [this, &control] { TakeSelection(control); });
                    connect(edit, &QPlainTextEdit::selectionChanged, this, [this, &control] { TakeSelection(control); });
                    widget = edit;
                } else {
                    auto* edit = new QLineEdit(this);
                    edit->setDragEnabled(false);
                    connect(edit, &QLineEdit::cursorPositionChanged, this, [this, &control] { TakeSelection(control); });
                    connect(edit, &QLineEdit::selectionChanged, this, [this, &control] { TakeSelection(control); });
                    widget = edit;
                }
                // The model edits the text: nothing may change it behind the model's back.
                widget->setContextMenuPolicy(Qt::NoContextMenu);
                widget->setAcceptDrops(false);
                widget->setAttribute(Qt::WA_InputMethodEnabled);
                break;
            }
            case tolm::ControlKind::Button: {
                auto* button = new QPushButton(this);
                button->setAutoDefault(false);
                connect(button, &QPushButton::clicked, this, [this, &control] {
                    if (!m_showing) Guard([&] { control.HandleClick(); });
                });
                widget = button;
                break;
            }
        }
        const tolm::TwipsRect& rect = control.Rect();
        widget->setGeometry(pixels(rect.left), pixels(rect.top), pixels(rect.width), pixels(rect.height));
        widget->setObjectName(FromUtf8(control.Name()));
        widget->installEventFilter(this);
        m_widgets[&control] = widget;
        m_controls[widget] = &control;
        ShowText(control);
        widget->setVisible(control.Visible());
        widget->setEnabled(control.Enabled());
    }
}

template <class Action>
void FormDialog::Guard(Action&& action) {
    if (m_error) return;
    try {
        action();
    } catch (...) {
        m_error = std::current_exception();
        try {
            if (m_form.IsLoaded() && !m_form.IsUnloaded()) m_form.Unload();
        } catch (...) {
            // The first error is the one to report.
        }
        done(QDialog::Rejected);
    }
}

void FormDialog::RunModal() {
    Guard([&] { m_form.BeginModal(); });
    if (!m_error && !m_form.IsUnloaded()) exec();
    Guard([&] {
        if (m_form.IsLoaded() && !m_form.IsUnloaded()) m_form.Unload();
    });
    if (m_error) std::rethrow_exception(std::exchange(m_error, nullptr));
}

void FormDialog::reject() {
    if (m_form.IsUnloaded() || m_error) {
        QDialog::reject();
        return;
    }
    Guard([&] { m_form.Unload(); });
}

void FormDialog::keyPressEvent(QKeyEvent* event) {
    // Escape does not close a form: only its own code or the window's close button do.
    if (event->key() == Qt::Key_Escape) return;
    QDialog::keyPressEvent(event);
}

// ---- the model to the widgets -------------------------------------------------------------

void FormDialog::OnChange(const tolm::FormControl* control, tolm::FormChange change) {
    m_showing = true;
    if (control == nullptr) {
        switch (change) {
            case tolm::FormChange::Caption: setWindowTitle(FromUtf8(m_form.Caption())); break;
            case tolm::FormChange::Font: setFont(FormFont(m_form.FontName(), m_form.FontSize())); break;
            case tolm::FormChange::Focus:
                if (const auto* active = m_form.ActiveControl()) m_widgets.at(active)->setFocus(Qt::OtherFocusReason);
                break;
            case tolm::FormChange::Unloaded: done(QDialog::Rejected); break;
            default: break;
        }
    } else if (QWidget* widget = m_widgets.at(control)) {
        switch (change) {
            case tolm::FormChange::Text: ShowText(*control); break;
            case tolm::FormChange::Visible: widget->setVisible(control->Visible()); break;
            case tolm::FormChange::Enabled: widget->setEnabled(control->Enabled()); break;
            case tolm::FormChange::Locked: ShowText(*control); break;
            case tolm::FormChange::Selection: ShowSelection(*control); break;
            default: break;
        }
    }
    m_showing = false;
}

void FormDialog::ShowText(const tolm::FormControl& control) {
    const bool wasShowing = std::exchange(m_showing, true);
    QWidget* widget = m_widgets.at(&control);
    if (auto* label = qobject_cast<QLabel*>(widget)) {
        label->setText(FromUtf8(control.Text()));
    } else if (auto* button = qobject_cast<QPushButton*>(widget)) {
        button->setText(FromUtf8(control.Text()));
    } else if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        const QString text = Shown(control.Text(), false).text;
        if (line->text() != text) line->setText(text);
        line->setReadOnly(control.Locked());
        ShowSelection(control);
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        const QString text = Shown(control.Text(), true).text;
        if (edit->toPlainText() != text) edit->setPlainText(text);
        edit->setReadOnly(control.Locked());
        ShowSelection(control);
    }
    m_showing = wasShowing;
}

void FormDialog::ShowSelection(const tolm::FormControl& control) {
    const bool wasShowing = std::exchange(m_showing, true);
    QWidget* widget = m_widgets.at(&control);
    const ShownText shown = Shown(control.Text(), qobject_cast<QPlainTextEdit*>(widget) != nullptr);
    const qsizetype start = shown.ViewPosition(control.SelStart());
    const qsizetype end = shown.ViewPosition(control.SelStart() + control.SelLength());
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        const qsizetype shownStart = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
        const qsizetype shownEnd = line->hasSelectedText() ? line->selectionEnd() : line->cursorPosition();
        if (shownStart != start || shownEnd != end) {
            if (end > start) {
                line->setSelection(static_cast<int>(start), static_cast<int>(end - start));
            } else {
                line->setCursorPosition(static_cast<int>(start));
            }
        }
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        QTextCursor cursor = edit->textCursor();
        if (cursor.selectionStart() != start || cursor.selectionEnd() != end) {
            cursor.setPosition(static_cast<int>(start));
            cursor.setPosition(static_cast<int>(end), QTextCursor::KeepAnchor);
            edit->setTextCursor(cursor);
        }
    }
    m_showing = wasShowing;
}

// ---- the person to the model ---------------------------------------------------------------

void FormDialog::TakeSelection(tolm::FormControl& control) {
    if (m_showing) return;
    QWidget* widget = m_widgets.at(&control);
    qsizetype start = 0;
    qsizetype end = 0;
    const bool multiLine = qobject_cast<QPlainTextEdit*>(widget) != nullptr;
    if (auto* line = qobject_cast<QLineEdit*>(widget)) {
        start = line->hasSelectedText() ? line->selectionStart() : line->cursorPosition();
        end = line->hasSelectedText() ? line->selectionEnd() : line->cursorPosition();
    } else if (auto* edit = qobject_cast<QPlainTextEdit*>(widget)) {
        start = edit->textCursor().selectionStart();
        end = edit->textCursor().selectionEnd();
    }
    const ShownText shown = Shown(control.Text(), multiLine);
    const int32_t modelStart = shown.ModelPosition(start);
    const int32_t modelEnd = shown.ModelPosition(end);
    Guard([&] { control.SetSelection(modelStart, modelEnd - modelStart); });
}

bool FormDialog::eventFilter(QObject* watched, QEvent* event) {
    const auto found = m_controls.find(watched);
    if (found == m_controls.end()) return QDialog::eventFilter(watched, event);
    tolm::FormControl& control = *found->second;
    switch (event->type()) {
        case QEvent::KeyPress: {
            auto* key = static_cast<QKeyEvent*>(event);
            return control.Kind() == tolm::ControlKind::TextBox ? TextBoxKey(control, key) : ButtonKey(control, key);
        }
        case QEvent::InputMethod: {
            // Text composed with an input method arrives whole, as if typed.
            auto* input = static_cast<QInputMethodEvent*>(event);
            if (control.Kind() == tolm::ControlKind::TextBox) {
                TypeText(control, input->commitString());
                return true;
            }
            return false;
        }
        case QEvent::FocusIn:
            if (!m_showing && m_form.ActiveControl() != &control && control.Kind() != tolm::ControlKind::Label) {
                Guard([&] { control.SetFocus(); });
            }
            return false;
        default: return false;
    }
}

bool FormDialog::KeyDownOrTab(tolm::FormControl& control, QKeyEvent* event) {
    const int key = event->key();
    const int16_t shift = ShiftOf(event->modifiers());
    if (const int16_t code = KeyCodeOf(*event)) {
        int16_t left = code;
        Guard([&] { left = control.RaiseKeyDown(code, shift); });
        if (left == 0 || m_error || m_form.IsUnloaded()) return true;
    }
    if (key == Qt::Key_Tab || key == Qt::Key_Backtab) {
        Guard([&] { (shift & tolm::ShiftMask) || key == Qt::Key_Backtab ? m_form.FocusPrevious() : m_form.FocusNext(); });
        return true;
    }
    return false;
}

bool FormDialog::TextBoxKey(tolm::FormControl& control, QKeyEvent* event) {
    if (KeyDownOrTab(control, event)) return true;
    const int key = event->key();
    if (event->matches(QKeySequence::Copy) || event->matches(QKeySequence::SelectAll) || MovesTheCaret(key)) {
        // The widget moves the caret or reads the text; the selection goes back to the model.
        return false;
    }
    if (event->matches(QKeySequence::Paste)) {
        TypeText(control, QGuiApplication::clipboard()->text());
        return true;
    }
    if (event->matches(QKeySequence::Cut)) {
        if (control.SelLength() > 0 && !control.Locked()) {
            const ShownText shown = Shown(control.Text(), control.MultiLine());
            const qsizetype start = shown.ViewPosition(control.SelStart());
            QGuiApplication::clipboard()->setText(
                shown.text.mid(start, shown.ViewPosition(control.SelStart() + control.SelLength()) - start));
            Guard([&] { control.ApplyCharacter(tolm::KeyBackspace); });
        }
        return true;
    }
    switch (key) {
        case Qt::Key_Backspace: Guard([&] { control.HandleCharacter(tolm::KeyBackspace); }); return true;
        case Qt::Key_Return:
        case Qt::Key_Enter: Guard([&] { control.HandleCharacter(tolm::KeyReturn); }); return true;
        case Qt::Key_Delete:
            // Delete takes the selection, or the character after the caret, without a key press.
            Guard([&] {
                if (control.SelLength() == 0) control.SetSelection(control.SelStart(), 1);
                if (control.SelLength() > 0) control.ApplyCharacter(tolm::KeyBackspace);
            });
            return true;
        default: break;
    }
    // Other shortcuts (undo, redo) would edit the widget's copy of the text.
    if (event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier)) return true;
    TypeText(control, event->text());
    return true;
}

bool FormDialog::ButtonKey(tolm::FormControl& control, QKeyEvent* event) {
    if (KeyDownOrTab(control, event)) return true;
    const int key = event->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space) {
        Guard([&] { control.HandleClick(); });
        return true;
    }
    for (const char32_t character : event->text().toStdU32String()) {
        if (character >= 0x20 && character != 0x7F) Guard([&] { control.RaiseKeyPress(tolm::KeyAsciiOf(character)); });
    }
    // Alt with a letter reaches the buttons' access keys.
    return !(event->modifiers() & Qt::AltModifier);
}

void FormDialog::TypeText(tolm::FormControl& control, const QString& text) {
    const std::u32string characters = text.toStdU32String();
    for (size_t i = 0; i < characters.size() && !m_error && !m_form.IsUnloaded(); ++i) {
        char32_t character = characters[i];
        if (character == U'\r' || character == U'\n') {
            if (character == U'\r' && i + 1 < characters.size() && characters[i + 1] == U'\n') ++i;
            character = tolm::KeyReturn;
        } else if (character < 0x20 || character == 0x7F) {
            continue;
        }
        Guard([&] { control.HandleCharacter(character); });
    }
}

}  // namespace hub
