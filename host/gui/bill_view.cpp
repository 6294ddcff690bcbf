#include "gui/bill_view.h"

#include <QFormLayout>
#include <QLineEdit>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include "gui/client.h"
#include "gui/menu_bar_view.h"
#include "tolm/text.h"

namespace hub::gui {
namespace {

struct FieldLabel {
    const char* key;
    const char* caption;
    // A field the person types; the others the program fills in and only shows.
    bool typed;
};

// The head of a rate as the editor lays it out.
constexpr FieldLabel Layout[] = {
    {"FExchangeRateType", "汇率类型：", false}, {"FNumber", "代码：", false},
    {"FName", "名称：", false},                 {"FBase", "币别：", true},
    {"FBaseProperty", "币别名称：", false},     {"FExchangeRate", "汇率：", true},
    {"FBegDate", "生效日期：", true},           {"FEndDate", "失效日期：", true},
    {"FChkUserID", "审核人：", false},
};

bool IsTyped(const std::string& key) {
    for (const FieldLabel& field : Layout) {
        if (key == field.key) return field.typed;
    }
    return false;
}

}  // namespace

BillView* BillView::Open(std::shared_ptr<BillWindow> window, const std::string& language, QWidget* parent) {
    window->Open();
    return new BillView(std::move(window), language, parent);
}

BillView* BillView::Over(std::shared_ptr<BillWindow> window, const std::string& language, QWidget* parent) {
    return new BillView(std::move(window), language, parent);
}

BillView::BillView(std::shared_ptr<BillWindow> window, std::string language, QWidget* parent)
    : QMainWindow(parent), m_window(std::move(window)), m_language(std::move(language)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("BillView"));
    auto* head = new QWidget(this);
    auto* form = new QFormLayout(head);
    for (const FieldLabel& field : Layout) {
        auto* edit = new QLineEdit(head);
        edit->setObjectName(QString::fromLatin1(field.key));
        form->addRow(Text(m_language, field.caption), edit);
        m_fields[field.key] = edit;
        const std::string key = field.key;
        connect(edit, &QLineEdit::editingFinished, this, [this, key] { Commit(key); });
    }
    setCentralWidget(head);
    statusBar();

    m_menu = new MenuBarView(m_window->Menu(), *this, [this](const std::string& key) { OnClick(key); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, this, [this] { Act(m_language, [&] { ShowHelpTopic(m_language, m_window->RequestHelp()); }); });

    m_changes = m_window->Changes().Subscribe([this](const WindowChange& change) { OnChange(change); });
    setWindowTitle(QString::fromStdString(m_window->Caption()));
    for (const FieldLabel& field : Layout) ShowField(field.key);
    statusBar()->showMessage(QString::fromStdString(m_window->StatusText(1)));
}

BillView::~BillView() {
    m_changes.Reset();
    m_window->Close();
}

QLineEdit* BillView::Field(const std::string& key) const {
    const auto found = m_fields.find(key);
    return found == m_fields.end() ? nullptr : found->second;
}

void BillView::OnChange(const WindowChange& change) {
    switch (change.kind) {
        case WindowChangeKind::Caption: setWindowTitle(QString::fromStdString(m_window->Caption())); break;
        case WindowChangeKind::Status: statusBar()->showMessage(QString::fromStdString(m_window->StatusText(1))); break;
        case WindowChangeKind::Field:
        case WindowChangeKind::FieldLocked:
        case WindowChangeKind::FieldDecimals: ShowField(change.key); break;
        case WindowChangeKind::Mode:
            for (const FieldLabel& field : Layout) ShowField(field.key);
            break;
        case WindowChangeKind::Open:
            if (!m_window->IsOpen()) QTimer::singleShot(0, this, [this] { close(); });
            break;
        default: break;
    }
}

void BillView::ShowField(const std::string& key) {
    QLineEdit* edit = Field(key);
    if (!edit) return;
    const QSignalBlocker quiet(edit);
    edit->setText(QString::fromStdString(m_window->GetHeadValue(key, 1, 3).ToText()));
    edit->setReadOnly(!IsTyped(key) || m_window->Control(key).Locked());
}

bool BillView::Commit(const std::string& key) {
    QLineEdit* edit = Field(key);
    const std::string typed = edit->text().toStdString();
    if (m_committing || edit->isReadOnly() || typed == m_window->GetHeadValue(key, 1, 3).ToText()) return true;
    const QScopedValueRollback committing(m_committing, true);
    bool stored = false;
    Act(m_language, [&] {
        m_window->Enter(key, std::string(tolm::text::Trim(typed)));
        stored = true;
    });
    if (!stored) ShowField(key);
    return stored;
}

bool BillView::Save() {
    for (const FieldLabel& field : Layout) {
        if (!Commit(field.key)) return false;
    }
    bool saved = false;
    Act(m_language, [&] { saved = m_window->Save(); });
    return saved;
}

void BillView::OnClick(const std::string& key) {
    if (tolm::text::EqualsNoCase(key, "mnuFileSave")) {
        Save();
    } else if (tolm::text::EqualsNoCase(key, "mnuFileExit")) {
        QTimer::singleShot(0, this, [this] { close(); });
    }
}

}  // namespace hub::gui
