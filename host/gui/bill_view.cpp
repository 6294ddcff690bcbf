#include "gui/bill_view.h"

#include <QCalendarWidget>
#include <QComboBox>
#include <QCompleter>
#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QScopedValueRollback>
#include <QShortcut>
#include <QStatusBar>
#include <QTimer>
#include <QWidget>

#include "gui/client.h"
#include "gui/menu_bar_view.h"
#include "i18n/catalogue.h"
#include "tolm/text.h"
#include "windows/rate_history.h"

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

bool IsDay(const std::string& key) { return key == "FBegDate" || key == "FEndDate"; }

constexpr const char* DayFormat = "yyyy-MM-dd";
// What the currency list shows of a currency: its code, then its name.
constexpr const char* CurrencySeparator = "  ";

// The code of the currency a person wrote or picked: an entry of the list ("USD
// 美元"), a code in any letter case or a name. Anything else is handed on as typed:
// the window says it knows no such currency.
std::string CurrencyCode(const QComboBox& list, const QString& typed) {
    const QString text = typed.trimmed();
    const QString code = text.section(QLatin1Char(' '), 0, 0, QString::SectionSkipEmpty);
    for (int i = 0; i < list.count(); ++i) {
        const QString itemCode = list.itemData(i).toString();
        const QString itemName = list.itemText(i).section(QString::fromLatin1(CurrencySeparator), 1);
        if (itemCode.compare(code, Qt::CaseInsensitive) == 0 || itemName == text) return itemCode.toStdString();
    }
    return text.toStdString();
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
    for (const FieldLabel& field : Layout) form->addRow(Text(m_language, field.caption), BuildField(field.key, head));
    setCentralWidget(head);
    statusBar();

    m_menu = new MenuBarView(m_window->Menu(), *this, [this](const std::string& key) { OnClick(key); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, this, [this] { Act(m_language, [&] { ShowHelpTopic(m_language, m_window->RequestHelp()); }); });

    m_changes = m_window->Changes().Subscribe([this](const WindowChange& change) { OnChange(change); });
    setWindowTitle(QString::fromStdString(m_window->Caption()));
    for (const FieldLabel& field : Layout) ShowField(field.key);
    ShowDecimals();
    statusBar()->showMessage(StatusLineText(m_language, m_window->StatusText(1)));
    // A new rate starts at its currency.
    for (const FieldLabel& field : Layout) {
        if (QLineEdit* edit = Field(field.key); edit && !edit->isReadOnly()) {
            edit->setFocus();
            break;
        }
    }
}

QWidget* BillView::BuildField(const char* fieldKey, QWidget* parent) {
    const std::string key = fieldKey;
    if (key == "FBase") {
        m_currencies = new QComboBox(parent);
        m_currencies->setObjectName(QStringLiteral("currencies"));
        m_currencies->setEditable(true);
        m_currencies->setInsertPolicy(QComboBox::NoInsert);
        tolm::OnErrorSilent([&] {
            for (const CurrencyChoice& currency : RatedCurrencies()) {
                m_currencies->addItem(QString::fromStdString(currency.number + CurrencySeparator + currency.name),
                                      QString::fromStdString(currency.number));
            }
        });
        // A few letters of a code or of a name offer every currency holding them.
        m_currencies->completer()->setFilterMode(Qt::MatchContains);
        m_currencies->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        m_currencies->completer()->setCompletionMode(QCompleter::PopupCompletion);
        QLineEdit* edit = m_currencies->lineEdit();
        edit->setObjectName(QString::fromLatin1(fieldKey));
        edit->setPlaceholderText(Text(m_language, "代码或名称"));
        m_fields[key] = edit;
        connect(edit, &QLineEdit::editingFinished, this, [this, key] { Commit(key); });
        connect(m_currencies, &QComboBox::activated, this, [this, key] { Commit(key); });
        return m_currencies;
    }
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(fieldKey));
    m_fields[key] = edit;
    connect(edit, &QLineEdit::editingFinished, this, [this, key] { Commit(key); });
    if (key == "FExchangeRate") {
        auto* row = new QWidget(parent);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        m_decimals = new QLabel(row);
        m_decimals->setObjectName(QStringLiteral("decimals"));
        layout->addWidget(edit, 1);
        layout->addWidget(m_decimals);
        return row;
    }
    if (IsDay(key)) {
        edit->setPlaceholderText(QString::fromLatin1(DayFormat));
        edit->installEventFilter(this);
        auto* row = new QWidget(parent);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        auto* calendar = new QToolButton(row);
        calendar->setObjectName(QString::fromLatin1(fieldKey) + QStringLiteral("Calendar"));
        calendar->setArrowType(Qt::DownArrow);
        calendar->setToolTip(Text(m_language, "选择日期（F4）"));
        calendar->setFocusPolicy(Qt::NoFocus);
        connect(calendar, &QToolButton::clicked, this, [this, key] { OpenCalendar(key); });
        layout->addWidget(edit, 1);
        layout->addWidget(calendar);
        return row;
    }
    return edit;
}

void BillView::OpenCalendar(const std::string& key) {
    QLineEdit* edit = Field(key);
    if (!edit || edit->isReadOnly()) return;
    auto* calendar = new QCalendarWidget(this);
    calendar->setObjectName(QStringLiteral("calendar"));
    calendar->setWindowFlags(Qt::Popup);
    calendar->setAttribute(Qt::WA_DeleteOnClose);
    calendar->setFirstDayOfWeek(Qt::Monday);
    calendar->setGridVisible(true);
    const QDate shown = QDate::fromString(edit->text().trimmed(), QString::fromLatin1(DayFormat));
    calendar->setSelectedDate(shown.isValid() ? shown : QDate::currentDate());
    // Enter, a click or a double-click takes the day, Escape leaves the field as it was.
    const auto take = [this, key, calendar](QDate day) {
        QLineEdit* field = Field(key);
        field->setText(day.toString(QString::fromLatin1(DayFormat)));
        calendar->close();
        field->setFocus();
        Commit(key);
    };
    connect(calendar, &QCalendarWidget::activated, this, take);
    connect(calendar, &QCalendarWidget::clicked, this, take);
    calendar->move(edit->mapToGlobal(QPoint(0, edit->height())));
    calendar->show();
    calendar->setFocus();
}

bool BillView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const bool opens = key->key() == Qt::Key_F4 || (key->key() == Qt::Key_Down && key->modifiers() & Qt::AltModifier);
        for (const auto& [fieldKey, edit] : m_fields) {
            if (opens && edit == watched && IsDay(fieldKey)) {
                OpenCalendar(fieldKey);
                return true;
            }
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void BillView::ShowDecimals() {
    if (!m_decimals) return;
    const int32_t places = m_window->Control("FExchangeRate").Decimals();
    m_decimals->setText(QString::fromStdString(TranslateFormat(m_language, "%1位小数", {places})));
    Field("FExchangeRate")->setPlaceholderText(places > 0 ? QStringLiteral("0.") + QString(places, QLatin1Char('0'))
                                                          : QStringLiteral("0"));
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
        case WindowChangeKind::Status: statusBar()->showMessage(StatusLineText(m_language, m_window->StatusText(1))); break;
        case WindowChangeKind::FieldDecimals:
            ShowField(change.key);
            ShowDecimals();
            break;
        case WindowChangeKind::Field:
        case WindowChangeKind::FieldLocked: ShowField(change.key); break;
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
    const QString shown = QString::fromStdString(m_window->GetHeadValue(key, 1, 3).ToText());
    const bool readOnly = !IsTyped(key) || m_window->Control(key).Locked();
    if (key == "FBase") {
        const QSignalBlocker quietList(m_currencies);
        const int item = shown.isEmpty() ? -1 : m_currencies->findData(shown);
        m_currencies->setCurrentIndex(item);
        edit->setText(item >= 0 ? m_currencies->itemText(item) : shown);
        m_currencies->setEnabled(!readOnly);
    } else if (IsDay(key)) {
        if (auto* button = findChild<QToolButton*>(QString::fromStdString(key) + QStringLiteral("Calendar"))) {
            button->setEnabled(!readOnly);
        }
        edit->setText(shown);
    } else {
        edit->setText(shown);
    }
    edit->setReadOnly(readOnly);
    // Tab goes from one field the person fills in to the next.
    edit->setFocusPolicy(readOnly ? Qt::ClickFocus : Qt::StrongFocus);
}

bool BillView::Commit(const std::string& key) {
    QLineEdit* edit = Field(key);
    const std::string typed = key == "FBase" ? CurrencyCode(*m_currencies, edit->text()) : edit->text().toStdString();
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
