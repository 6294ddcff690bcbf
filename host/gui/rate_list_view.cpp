#include "gui/rate_list_view.h"

#include <QApplication>
#include <QCloseEvent>
#include <QEvent>
#include <QHeaderView>
#include <QShortcut>
#include <QSplitter>
#include <QTableWidget>
#include <QTimer>
#include <QTreeWidget>

#include <algorithm>
#include <utility>
#include <vector>

#include "gui/bill_view.h"
#include "gui/client.h"
#include "gui/main_window.h"
#include "gui/menu_bar_view.h"
#include "i18n/catalogue.h"
#include "model/user_store.h"
#include "services/security_info.h"
#include "tolm/host_error.h"

namespace hub::gui {
namespace {

constexpr int IdRole = Qt::UserRole;

// A cell that sorts numbers by their value (a rate of 10 after one of 9.5) and
// everything else as text; dates are shown yyyy-MM-dd, so text order is date order.
class RateCell : public QTableWidgetItem {
public:
    using QTableWidgetItem::QTableWidgetItem;
    bool operator<(const QTableWidgetItem& other) const override {
        bool isNumber = false;
        bool otherIsNumber = false;
        const double value = text().toDouble(&isNumber);
        const double otherValue = other.text().toDouble(&otherIsNumber);
        if (isNumber && otherIsNumber) return value < otherValue;
        return text().localeAwareCompare(other.text()) < 0;
    }
};

}  // namespace

RateListView* RateListView::Open(const std::shared_ptr<Session>& session, QWidget* parent) {
    RequireRight(*session, rights::BaseDataSubsystem, rights::BaseDataObject, rights::View, "用户 %1 无权查看汇率。");
    auto window = RateListWindow::Create(session);
    window->Open();
    return new RateListView(std::move(window), session->Language(), parent);
}

RateListView::RateListView(std::shared_ptr<RateListWindow> window, std::string language, QWidget* parent)
    : QMainWindow(parent), m_window(std::move(window)), m_language(std::move(language)) {
    setAttribute(Qt::WA_DeleteOnClose);
    setObjectName(QStringLiteral("RateListView"));
    setWindowTitle(Text(m_language, "汇率"));

    auto* splitter = new QSplitter(this);
    m_tree = new QTreeWidget(splitter);
    m_tree->setHeaderHidden(true);
    m_table = new QTableWidget(splitter);
    QStringList headings;
    for (const RateListColumn& column : RateListWindow::Columns()) headings << Text(m_language, column.heading);
    m_table->setColumnCount(static_cast<int>(headings.size()));
    m_table->setHorizontalHeaderLabels(headings);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->horizontalHeader()->setSectionsClickable(true);
    m_table->verticalHeader()->hide();
    splitter->setStretchFactor(1, 3);
    setCentralWidget(splitter);
    m_tree->installEventFilter(this);
    m_table->installEventFilter(this);

    connect(m_tree, &QTreeWidget::currentItemChanged, this, [this](QTreeWidgetItem* item) {
        if (!m_showing && item) SelectType(item->data(0, IdRole).toInt());
    });
    connect(m_table, &QTableWidget::itemSelectionChanged, this, [this] {
        if (!m_showing) TakeSelection();
    });
    // The rows keep the order the window read until a heading is clicked.
    connect(m_table->horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        m_sortOrder = column == m_sortColumn && m_sortOrder == Qt::AscendingOrder ? Qt::DescendingOrder : Qt::AscendingOrder;
        m_sortColumn = column;
        m_table->horizontalHeader()->setSortIndicatorShown(true);
        m_table->horizontalHeader()->setSortIndicator(column, m_sortOrder);
        m_table->sortItems(column, m_sortOrder);
    });
    connect(m_table, &QTableWidget::cellDoubleClicked, this, [this] { Click("mnuEditModify"); });
    // The tool bar's commands also under the mouse's right button (and the menu key).
    m_table->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_table, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        m_window->SetFocus(RateListWindow::Focus::List);
        m_menu->ShowContextMenu(m_table->viewport()->mapToGlobal(at));
    });

    m_menu = new MenuBarView(m_window->Menu(), *this, [this](const std::string& key) { Click(key); });
    auto* help = new QShortcut(QKeySequence::HelpContents, this, nullptr, nullptr, Qt::WidgetWithChildrenShortcut);
    connect(help, &QShortcut::activated, this,
            [this] { Act(m_language, [&] { ShowHelpTopic(m_language, m_window->RequestHelp()); }); });

    // New and modify wait for the editor; it opens where every other window does.
    m_window->SetEditorHost([language = m_language](BillWindow& editor) {
        ShowUntilClosed(BillView::Over(editor.shared_from_this(), language));
    });
    m_changes = m_window->Changes().Subscribe([this](const WindowChange& change) {
        if (change.kind == WindowChangeKind::Rows) ShowRows();
        // Exit closes the model; the view follows once the click has returned.
        if (change.kind == WindowChangeKind::Open && !m_window->IsOpen()) QTimer::singleShot(0, this, [this] { close(); });
    });
    // A list opened without a type shows the first one's rates rather than nothing.
    if (m_window->IsOpen() && m_window->SelectedClassId() == 0 && !m_window->Types().empty()) {
        Act(m_language, [&] { m_window->SelectType(m_window->Types().front().id); });
    }
    ShowRows();
    m_table->setFocus();
}

RateListView::~RateListView() {
    m_changes.Reset();
    m_window->SetEditorHost(nullptr);
    m_window->Close();
}

void RateListView::ShowRows() {
    m_showing = true;
    // The tree is drawn again only when the types changed: it may be the tree's own
    // selection that made the list read its rows.
    std::vector<std::pair<int32_t, QString>> types;
    for (const TypeRow& type : m_window->Types()) types.emplace_back(type.id, QString::fromStdString(type.name));
    QTreeWidgetItem* root = m_tree->topLevelItem(0);
    bool sameTypes = root != nullptr && root->childCount() == static_cast<int>(types.size());
    for (int i = 0; sameTypes && i < root->childCount(); ++i) {
        sameTypes = root->child(i)->data(0, IdRole).toInt() == types[static_cast<size_t>(i)].first &&
                    root->child(i)->text(0) == types[static_cast<size_t>(i)].second;
    }
    if (!sameTypes) {
        m_tree->clear();
        root = new QTreeWidgetItem(m_tree, {Text(m_language, "汇率类型")});
        root->setData(0, IdRole, 0);
        for (const auto& [id, name] : types) (new QTreeWidgetItem(root, {name}))->setData(0, IdRole, id);
        m_tree->expandAll();
    }
    QTreeWidgetItem* selectedNode = root;
    for (int i = 0; i < root->childCount(); ++i) {
        if (root->child(i)->data(0, IdRole).toInt() == m_window->SelectedClassId()) selectedNode = root->child(i);
    }
    m_tree->setCurrentItem(selectedNode);

    m_table->clearSelection();
    m_table->setRowCount(static_cast<int>(m_window->Rows().size()));
    int row = 0;
    for (const RateListWindowRow& rate : m_window->Rows()) {
        int column = 0;
        for (const std::string& text : rate.cells) {
            auto* cell = new RateCell(QString::fromStdString(text));
            cell->setData(IdRole, rate.id);
            m_table->setItem(row, column++, cell);
        }
        ++row;
    }
    if (m_sortColumn >= 0) m_table->sortItems(m_sortColumn, m_sortOrder);
    const std::vector<int32_t>& selection = m_window->Selection();
    for (row = 0; row < m_table->rowCount(); ++row) {
        const int32_t id = m_table->item(row, 0)->data(IdRole).toInt();
        if (id == m_window->CurrentRecordId()) m_table->setCurrentCell(row, 0, QItemSelectionModel::NoUpdate);
        if (std::find(selection.begin(), selection.end(), id) != selection.end()) {
            m_table->selectionModel()->select(m_table->model()->index(row, 0),
                                              QItemSelectionModel::Select | QItemSelectionModel::Rows);
        }
    }
    m_table->resizeColumnsToContents();
    if (m_table->currentItem()) m_table->scrollToItem(m_table->currentItem());
    m_showing = false;
}

void RateListView::SelectType(int32_t typeId) {
    if (typeId == m_window->SelectedClassId()) return;
    Act(m_language, [&] { m_window->SelectType(typeId); });
}

void RateListView::TakeSelection() {
    // The current rate comes first: it is the one modify opens.
    std::vector<int32_t> ids;
    const QTableWidgetItem* current = m_table->currentItem();
    if (current && current->isSelected()) ids.push_back(current->data(IdRole).toInt());
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows()) {
        const int32_t id = m_table->item(index.row(), 0)->data(IdRole).toInt();
        if (std::find(ids.begin(), ids.end(), id) == ids.end()) ids.push_back(id);
    }
    Act(m_language, [&] { m_window->SelectRates(ids); });
}

void RateListView::Click(const std::string& key) {
    // The window is in the middle of a command (its editor is open): as under a
    // modal editor, the list takes no other command until that one has returned.
    if (m_acting > 0) {
        QApplication::beep();
        return;
    }
    ++m_acting;
    ActAndShowOutcome(*this, m_language, [&]() -> const Outcome& {
        m_window->Click(key);
        return m_window->LastOutcome();
    });
    --m_acting;
    if (!m_window->IsOpen()) return;
    // Tools may have been hidden or disabled and rows changed without a new read.
    ShowRows();
    if (m_closeWanted && m_acting == 0) QTimer::singleShot(0, this, [this] { close(); });
}

void RateListView::closeEvent(QCloseEvent* event) {
    if (m_acting > 0) {
        m_closeWanted = true;
        event->ignore();
        return;
    }
    QMainWindow::closeEvent(event);
}

bool RateListView::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn && m_window->IsOpen()) {
        m_window->SetFocus(watched == m_table ? RateListWindow::Focus::List : RateListWindow::Focus::Tree);
    }
    return QMainWindow::eventFilter(watched, event);
}

}  // namespace hub::gui
