#include "gui/menu_bar_view.h"

#include <QAction>
#include <QImage>
#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QPixmap>
#include <QTimer>
#include <QToolBar>

#include <string_view>

#include "tolm/text.h"

namespace hub::gui {
namespace {

QKeySequence StandardShortcut(std::string key) {
    using tolm::text::EqualsNoCase;
    // A plug-in that takes a standard command over gives it its key with this
    // suffix; the command keeps its shortcut.
    constexpr std::string_view TakenOver = "4Custom";
    if (key.size() > TakenOver.size() && key.ends_with(TakenOver)) key.resize(key.size() - TakenOver.size());
    if (EqualsNoCase(key, "mnuFileNewItem")) return QKeySequence::New;
    if (EqualsNoCase(key, "mnuFileSave")) return QKeySequence::Save;
    if (EqualsNoCase(key, "mnuEditDel") || EqualsNoCase(key, "mnuEditDelete")) return QKeySequence::Delete;
    if (EqualsNoCase(key, "mnuDataRefesh")) return QKeySequence(Qt::Key_F5);
    return {};
}

// "打印预览(&V)" -> "打印预览"
QString WithoutAccessKey(QString caption) {
    const qsizetype open = caption.lastIndexOf(QStringLiteral("(&"));
    if (open >= 0 && caption.endsWith(QLatin1Char(')'))) caption.truncate(open);
    return caption.remove(QLatin1Char('&'));
}

}  // namespace

QIcon ToolIcon(const Tool& tool) {
    if (tool.Images().empty()) return {};
    const ToolImage& image = tool.Images().begin()->second;
    QImage picture(image.width, image.height, QImage::Format_ARGB32);
    for (int32_t y = 0; y < image.height; ++y) {
        auto* line = reinterpret_cast<QRgb*>(picture.scanLine(y));
        for (int32_t x = 0; x < image.width; ++x) line[x] = image.pixels[static_cast<size_t>(y * image.width + x)];
    }
    return QIcon(QPixmap::fromImage(picture));
}

MenuBarView::MenuBarView(std::shared_ptr<MenuBar> model, QMainWindow& window, ClickHandler onClick)
    : QObject(&window), m_model(std::move(model)), m_window(window), m_onClick(std::move(onClick)) {
    for (const auto& band : m_model->Bands()) {
        m_subscriptions.push_back(band->BandTools()->Changes().Subscribe([this](const Tool*) { ScheduleRebuild(); }));
    }
    Rebuild();
}

MenuBarView::~MenuBarView() = default;

QAction* MenuBarView::Action(const std::string& key) const {
    for (const auto& [actionKey, action] : m_actions) {
        if (tolm::text::EqualsNoCase(actionKey, key)) return action;
    }
    return nullptr;
}

void MenuBarView::ShowContextMenu(const QPoint& globalPosition) const {
    QMenu menu(&m_window);
    for (QToolBar* toolBar : m_toolBars) {
        if (!menu.isEmpty()) menu.addSeparator();
        for (QAction* action : toolBar->actions()) {
            if (action->isVisible()) menu.addAction(action);
        }
    }
    if (!menu.isEmpty()) menu.exec(globalPosition);
}

// A tool may change while its own click runs: the actions are redrawn once the
// click has returned.
void MenuBarView::ScheduleRebuild() {
    if (m_rebuildPending) return;
    m_rebuildPending = true;
    QTimer::singleShot(0, this, [this] { Rebuild(); });
}

QAction* MenuBarView::AddAction(const std::shared_ptr<Tool>& tool, QWidget& container) {
    auto* action = new QAction(ToolIcon(*tool), QString::fromStdString(tool->Caption()), &container);
    const QString tip = QString::fromStdString(tool->ToolTipText());
    action->setToolTip(tip.isEmpty() ? WithoutAccessKey(action->text()) : tip);
    action->setStatusTip(QString::fromStdString(tool->Description()));
    action->setVisible(tool->Visible());
    action->setEnabled(tool->Enabled());
    action->setCheckable(tool->Checked());
    action->setChecked(tool->Checked());
    const std::string key = tool->Key();
    connect(action, &QAction::triggered, this, [this, key] { m_onClick(key); });
    container.addAction(action);
    m_actions.emplace_back(key, action);
    return action;
}

void MenuBarView::Rebuild() {
    m_rebuildPending = false;
    m_actions.clear();
    QMenuBar* menuBar = m_window.menuBar();
    menuBar->clear();
    for (QToolBar* toolBar : m_toolBars) {
        m_window.removeToolBar(toolBar);
        toolBar->deleteLater();
    }
    m_toolBars.clear();
    for (QAction* action : m_window.actions()) {
        if (action->property("tolmShortcut").toBool()) {
            m_window.removeAction(action);
            action->deleteLater();
        }
    }

    for (const auto& band : m_model->Bands()) {
        if (band->Kind() == BandKind::MainMenu) {
            for (const auto& head : band->BandTools()->All()) {
                if (!head->Visible()) continue;
                QMenu* menu = menuBar->addMenu(QString::fromStdString(head->Caption()));
                menu->setEnabled(head->Enabled());
                if (const auto dropDown = m_model->FindBand(head->Key())) {
                    for (const auto& tool : dropDown->BandTools()->All()) AddAction(tool, *menu);
                }
            }
        } else if (band->Kind() == BandKind::ToolBar) {
            auto* toolBar = new QToolBar(QString::fromStdString(band->Caption()), &m_window);
            toolBar->setObjectName(QString::fromStdString(band->Key()));
            toolBar->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
            toolBar->setMovable(false);
            m_window.addToolBar(toolBar);
            m_toolBars.push_back(toolBar);
            for (const auto& tool : band->BandTools()->All()) AddAction(tool, *toolBar);
        }
    }

    // One shortcut per standard key, on an action of the window itself so that it
    // works wherever the focus is inside it and nowhere else.
    for (const auto& [key, action] : std::vector(m_actions)) {
        const QKeySequence sequence = StandardShortcut(key);
        if (sequence.isEmpty() || !action->isVisible() || !action->isEnabled()) continue;
        bool taken = false;
        for (QAction* existing : m_window.actions()) taken = taken || existing->shortcut() == sequence;
        if (taken) continue;
        auto* shortcut = new QAction(&m_window);
        shortcut->setShortcut(sequence);
        shortcut->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        shortcut->setProperty("tolmShortcut", true);
        connect(shortcut, &QAction::triggered, this, [this, key = key] { m_onClick(key); });
        m_window.addAction(shortcut);
    }
}

}  // namespace hub::gui
