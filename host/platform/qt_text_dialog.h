// The text window: a long text shown read-only in a fixed-width font, which the
// person may copy to the clipboard or save to a file.
//
// Layer: platform, on the contract, the catalogues and Qt Widgets.
#pragma once

#include <functional>
#include <optional>
#include <string>

#include <QDialog>

class QPlainTextEdit;

namespace hub {

class TextDialog : public QDialog {
public:
    // The file a save goes to, or nothing when the person cancelled.
    using PickSaveFile = std::function<std::optional<std::string>()>;

    // Buttons in `language` ("chs", "en", "cht").
    TextDialog(const std::string& text, const std::string& title, const std::string& language,
               PickSaveFile pickSaveFile, QWidget* parent = nullptr);

    QPlainTextEdit& View() const { return *m_view; }
    // The whole text to the system clipboard.
    void Copy();
    // The text as UTF-8 to the file picked, whole or not at all; a file that cannot
    // be written is told in a message box.
    void Save();

private:
    std::string m_text;
    std::string m_language;
    PickSaveFile m_pickSaveFile;
    QPlainTextEdit* m_view;
};

}  // namespace hub
