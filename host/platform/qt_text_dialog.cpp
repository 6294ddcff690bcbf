#include "platform/qt_text_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QFontDatabase>
#include <QFontInfo>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSaveFile>
#include <QVBoxLayout>

#include "i18n/catalogue.h"
#include "platform/qt_form_dialog.h"

namespace hub {
namespace {

QString Text(const std::string& language, const char* chineseText) {
    return QString::fromStdString(Translate(language, chineseText));
}

}  // namespace

TextDialog::TextDialog(const std::string& text, const std::string& title, const std::string& language,
                       PickSaveFile pickSaveFile, QWidget* parent)
    : QDialog(parent), m_text(text), m_language(language), m_pickSaveFile(std::move(pickSaveFile)),
      m_view(new QPlainTextEdit(QString::fromStdString(text), this)) {
    setObjectName(QStringLiteral("TextDialog"));
    setWindowTitle(QString::fromStdString(title));
    m_view->setReadOnly(true);
    m_view->setLineWrapMode(QPlainTextEdit::NoWrap);
    QFont fixed = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    // Some platforms answer with their ordinary font: the hint finds a fixed one.
    if (!QFontInfo(fixed).fixedPitch()) {
        fixed.setFamily(QStringLiteral("monospace"));
        fixed.setStyleHint(QFont::Monospace);
    }
    // Chinese in the text falls back to the application's CJK family; that family's
    // fixed-pitch sibling, where installed, comes first, so that a Chinese character
    // takes exactly two Latin places and columns line up.
    QStringList families{QFontInfo(fixed).family()};
    const QString cjkFixed = CjkFontFamily() + QStringLiteral(" Mono");
    if (!CjkFontFamily().isEmpty() && QFontDatabase::families().contains(cjkFixed)) families.prepend(cjkFixed);
    for (const QString& family : QApplication::font().families()) {
        if (!families.contains(family)) families << family;
    }
    fixed.setFamilies(families);
    m_view->setFont(fixed);

    auto* buttons = new QDialogButtonBox(this);
    QPushButton* copy = buttons->addButton(Text(m_language, "复制(&C)"), QDialogButtonBox::ActionRole);
    copy->setObjectName(QStringLiteral("copy"));
    QPushButton* save = buttons->addButton(Text(m_language, "保存(&S)..."), QDialogButtonBox::ActionRole);
    save->setObjectName(QStringLiteral("save"));
    QPushButton* close = buttons->addButton(Text(m_language, "关闭"), QDialogButtonBox::RejectRole);
    close->setDefault(true);
    connect(copy, &QPushButton::clicked, this, &TextDialog::Copy);
    connect(save, &QPushButton::clicked, this, &TextDialog::Save);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_view);
    layout->addWidget(buttons);
    resize(640, 420);
}

void TextDialog::Copy() { QApplication::clipboard()->setText(QString::fromStdString(m_text)); }

void TextDialog::Save() {
    const std::optional<std::string> path = m_pickSaveFile();
    if (!path) return;
    // Written beside the file and put in its place at the end, so a failure leaves an
    // earlier file as it was.
    QSaveFile file(QString::fromStdString(*path));
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       file.write(m_text.data(), static_cast<qint64>(m_text.size())) ==
                           static_cast<qint64>(m_text.size()) &&
                       file.commit();
    if (!saved) {
        QMessageBox::warning(this, windowTitle(),
                             QString::fromStdString(TranslateFormat(
                                 m_language, "无法写入文件%1，请选择另一个文件夹或文件名。", {*path})));
    }
}

}  // namespace hub
