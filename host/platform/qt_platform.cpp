#include "platform/qt_platform.h"

#include "platform/person_acts.h"

#include <QApplication>
#include <QCoreApplication>
#include <QCursor>
#include <QFileDialog>
#include <QMessageBox>
#include <QProgressDialog>
#include <QPushButton>

#include <algorithm>
#include <utility>
#include <vector>

#include "platform/qt_form_dialog.h"
#include "platform/qt_text_dialog.h"
#include "tolm/components.h"
#include "tolm/host_error.h"
#include "tolm/registry.h"

namespace hub {
namespace {

constexpr int32_t IdAbort = 3;
constexpr int32_t IdRetry = 4;
constexpr int32_t IdIgnore = 5;
// How long a run goes before its progress is shown.
constexpr int ProgressDelayMs = 400;

using Answer = std::pair<QMessageBox::StandardButton, int32_t>;

std::vector<Answer> ButtonsOf(int32_t flags) {
    switch (flags & 0x0F) {
        case tolm::mb::OKCancel:
            return {{QMessageBox::Ok, tolm::mb::IdOK}, {QMessageBox::Cancel, tolm::mb::IdCancel}};
        case 2:
            return {{QMessageBox::Abort, IdAbort}, {QMessageBox::Retry, IdRetry}, {QMessageBox::Ignore, IdIgnore}};
        case tolm::mb::YesNoCancel:
            return {{QMessageBox::Yes, tolm::mb::IdYes},
                    {QMessageBox::No, tolm::mb::IdNo},
                    {QMessageBox::Cancel, tolm::mb::IdCancel}};
        case tolm::mb::YesNo:
            return {{QMessageBox::Yes, tolm::mb::IdYes}, {QMessageBox::No, tolm::mb::IdNo}};
        case 5:
            return {{QMessageBox::Retry, IdRetry}, {QMessageBox::Cancel, tolm::mb::IdCancel}};
        default:
            return {{QMessageBox::Ok, tolm::mb::IdOK}};
    }
}

QMessageBox::Icon IconOf(int32_t flags) {
    switch (flags & 0x70) {
        case tolm::mb::Critical: return QMessageBox::Critical;
        case tolm::mb::Question: return QMessageBox::Question;
        case tolm::mb::Exclamation: return QMessageBox::Warning;
        case tolm::mb::Information: return QMessageBox::Information;
        default: return QMessageBox::NoIcon;
    }
}

// The answer of a box closed without a button: what Escape would choose.
int32_t EscapeAnswer(const std::vector<Answer>& buttons) {
    for (const auto& [button, id] : buttons) {
        if (id == tolm::mb::IdCancel) return id;
    }
    for (const auto& [button, id] : buttons) {
        if (id == tolm::mb::IdNo) return id;
    }
    return buttons.size() == 1 ? buttons.front().second : IdAbort;
}

QString FromUtf8(const std::string& text) { return QString::fromStdString(text); }

}  // namespace

QStringList NameFiltersOf(const std::string& filter) {
    const QStringList parts = FromUtf8(filter).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
        for (QString& pattern : patterns) {
            pattern = pattern.trimmed();
            if (pattern == QLatin1String("*.*")) pattern = QStringLiteral("*");
        }
        QString description = parts[i].trimmed();
        // The description usually repeats its patterns in brackets; Qt reads the
        // patterns from the last brackets, so they are put there as Qt takes them.
        const qsizetype bracket = description.lastIndexOf(QLatin1Char('('));
        if (bracket > 0 && description.endsWith(QLatin1Char(')'))) description = description.left(bracket).trimmed();
        filters << description + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
    }
    return filters;
}

QtPlatform::QtPlatform() = default;

QtPlatform::~QtPlatform() {
    m_progress.reset();
    if (m_waitCursorShown) QApplication::restoreOverrideCursor();
}

int32_t QtPlatform::CurrentProcessId() const { return static_cast<int32_t>(QCoreApplication::applicationPid()); }

void QtPlatform::SetMousePointer(int32_t pointer) {
    m_pointer = pointer;
    const bool wait = pointer == tolm::PointerHourglass;
    if (wait == m_waitCursorShown) return;
    if (wait) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
    m_waitCursorShown = wait;
}

int32_t QtPlatform::MessageBox(const std::string& prompt, int32_t flags, const std::string& title) {
    const std::vector<Answer> buttons = ButtonsOf(flags);
    const auto ask = [this, prompt, flags, title, buttons] {
        QMessageBox box(IconOf(flags), title.empty() ? QApplication::applicationDisplayName() : FromUtf8(title),
                        FromUtf8(prompt), QMessageBox::NoButton, QApplication::activeWindow());
        for (const auto& [button, id] : buttons) box.addButton(button);
        const size_t defaultIndex = static_cast<size_t>((flags & 0x300) >> 8);
        box.setDefaultButton(buttons[defaultIndex < buttons.size() ? defaultIndex : 0].first);
        // A person answering a question is not waiting for the program.
        if (m_waitCursorShown) QApplication::setOverrideCursor(Qt::ArrowCursor);
        box.exec();
        if (m_waitCursorShown) QApplication::restoreOverrideCursor();
        const QMessageBox::StandardButton clicked = box.standardButton(box.clickedButton());
        for (const auto& [button, id] : buttons) {
            if (button == clicked) return id;
        }
        return EscapeAnswer(buttons);
    };
    // A message the person can only acknowledge is read once the work is stored.
    if (buttons.size() == 1 && PutOffUntilStored([ask] { ask(); })) return buttons.front().second;
    const int32_t answer = ask();
    if (buttons.size() > 1 && (answer == tolm::mb::IdNo || answer == tolm::mb::IdCancel)) PersonDeclined();
    return answer;
}

std::optional<std::string> QtPlatform::PickFile(tolm::FileDialogKind kind, const tolm::FileDialogOptions& options) {
    QFileDialog dialog(QApplication::activeWindow(), FromUtf8(options.title));
    const bool save = kind == tolm::FileDialogKind::Save;
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(!save && (options.flags & tolm::fd::FileMustExist) ? QFileDialog::ExistingFile
                                                                          : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite, !(options.flags & tolm::fd::OverwritePrompt));
    if (!options.filter.empty()) dialog.setNameFilters(NameFiltersOf(options.filter));
    QString suffix = FromUtf8(options.defaultExt);
    if (suffix.startsWith(QLatin1Char('.'))) suffix.remove(0, 1);
    dialog.setDefaultSuffix(suffix);
    if (!options.fileName.empty()) dialog.selectFile(FromUtf8(options.fileName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        PersonDeclined();
        return std::nullopt;
    }
    return dialog.selectedFiles().front().toStdString();
}

void QtPlatform::ShowModal(tolm::Form& form) {
    RunButtonClicksThroughHooks(form);
    FormDialog dialog(form, QApplication::activeWindow());
    dialog.RunModal();
}

void QtPlatform::ReportProgress(const std::string& caption, int64_t done, int64_t total) {
    if (!m_progress) {
        m_progress = std::make_unique<QProgressDialog>(QApplication::activeWindow());
        m_progress->setCancelButton(nullptr);
        m_progress->setWindowModality(Qt::ApplicationModal);
        m_progress->setAutoClose(false);
        m_progress->setAutoReset(false);
        m_progress->setMinimumDuration(ProgressDelayMs);
        m_progress->setWindowTitle(QApplication::applicationDisplayName());
    }
    // QProgressDialog counts in int: a run of more steps is shown in proportion.
    constexpr int64_t Scale = 1'000'000;
    const int maximum = static_cast<int>(std::clamp<int64_t>(total, 0, Scale));
    const int value = total <= 0 ? 0 : static_cast<int>(std::clamp<int64_t>(done, 0, total) * maximum / total);
    m_progress->setLabelText(FromUtf8(caption));
    m_progress->setRange(0, maximum);
    m_progress->setValue(value);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void QtPlatform::EndProgress() { m_progress.reset(); }

void QtPlatform::ShowText(const std::string& text, const std::string& title) {
    const auto show = [this, text, title] {
        // Before a login there is no language to ask for: the texts stay as written.
        std::string language = "chs";
        tolm::OnErrorSilent([&] {
            language = tolm::CreateObject<tolm::ILangInfo>(tolm::classname::LangInfo)->CurrentLanguage().ToText();
        });
        TextDialog dialog(text, title, language, [this] {
            tolm::FileDialogOptions options;
            options.flags = tolm::fd::OverwritePrompt;
            options.filter = "TXT (*.txt)|*.txt";
            options.defaultExt = "txt";
            return PickFile(tolm::FileDialogKind::Save, options);
        }, QApplication::activeWindow());
        dialog.exec();
    };
    if (!PutOffUntilStored(show)) show();
}

}  // namespace hub
