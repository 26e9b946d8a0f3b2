// Building the main window's controls, menus and timers.

#include "KeyShortcuts.h"
#include "MainKestrel.h"
#include "ResultCells.h"
#include "ResultGridModel.h"
#include "ResultGridView.h"
#include "StatusLamp.h"

#include <QActionGroup>
#include <QCheckBox>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenuBar>
#include <QTimer>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr QSize kClientSize{983, 530};
constexpr int kToolPanelHeight = 61;
constexpr int kButtonHeight = 49;
constexpr int kCaptionedButtonWidth = 104;
constexpr int kStatusLineHeight = 25;
constexpr int kRunTimerInterval = 100; // ms

} // namespace

void TForm_MainKestrel::createControls() {
    auto* client = new QWidget(this);
    client->setFixedSize(kClientSize);
    auto* layout = new QVBoxLayout(client);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(createToolPanel());

    gridModel_ = new ResultGridModel(Global_ResultCells(), this);
    TntStringGrid_TestResult = new ResultGridView(gridModel_, client);
    layout->addWidget(TntStringGrid_TestResult, 1);

    TntLabel_CurrentConfigurationFile = new QLabel(client);
    TntLabel_CurrentConfigurationFile->setObjectName(
        QStringLiteral("TntLabel_CurrentConfigurationFile"));
    TntLabel_CurrentConfigurationFile->setFixedHeight(kStatusLineHeight);
    TntLabel_CurrentConfigurationFile->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    TntLabel_CurrentConfigurationFile->setStyleSheet(
        QStringLiteral("QLabel { color: rgb(0, 0, 255); background-color: rgb(204, 255, 204);"
                       " padding-left: 6px; }"));
    layout->addWidget(TntLabel_CurrentConfigurationFile);

    setCentralWidget(client);
    // Fixed border: the window keeps the size of its client area and menu bar.
    this->layout()->setSizeConstraint(QLayout::SetFixedSize);
    createMenus();
    bindKeys();
    createTimers();
}

// Every tool button has keys. A button with a twin in the menus gets them
// through the menu item, which shows them; the others through the window.
void TForm_MainKestrel::bindKeys() {
    using Keys = QList<QKeySequence>;
    const struct {
        QToolButton* button;
        QAction* menuItem;
        Keys keys;
    } bindings[] = {
        {SpeedButton_Exit, Menu_ExitSystem, Keys{Qt::CTRL | Qt::Key_Q}},
        {SpeedButton_RangeSetup, Menu_ConfigTestItems, Keys{Qt::CTRL | Qt::Key_E}},
        {SpeedButton_ZarvoConfig, Menu_ConfigZarvo, Keys{Qt::CTRL | Qt::Key_H}},
        {SpeedButton_Stop, nullptr, Keys{Qt::Key_Escape, Qt::Key_F8}},
        {TntSpeedButton_ManualTest, nullptr, Keys{Qt::Key_F6}},
        {TntSpeedButton_LoadConfig, nullptr, Keys{Qt::CTRL | Qt::Key_O}},
        {TntSpeedButton_TestAllItems, nullptr, Keys{Qt::Key_F5}},
        {TntSpeedButton_ViewTrend, nullptr, Keys{Qt::Key_F7}},
        {TntSpeedButton_BusMonitor, Menu_BusMonitor, Keys{Qt::CTRL | Qt::Key_M}},
    };
    for (const auto& [button, menuItem, keys] : bindings) {
        if (!menuItem) {
            AddButtonKeys(button, keys);
            continue;
        }
        menuItem->setShortcuts(keys);
        button->setToolTip(HintWithKeys(button->toolTip(), keys));
    }
    Menu_About->setShortcut(Qt::Key_F1);
    N1->setShortcut(Qt::CTRL | Qt::SHIFT | Qt::Key_S);
}

QWidget* TForm_MainKestrel::createToolPanel() {
    Panel1 = new QFrame(this);
    Panel1->setObjectName(QStringLiteral("Panel1"));
    Panel1->setFrameStyle(QFrame::Panel | QFrame::Raised);
    Panel1->setFixedHeight(kToolPanelHeight);
    auto* row = new QHBoxLayout(Panel1);
    row->setContentsMargins(4, 0, 10, 0);
    row->setSpacing(2);

    SpeedButton_Exit =
        addToolButton(QStringLiteral("SpeedButton_Exit"), QStringLiteral("exit"),
                      QStringLiteral("Exit the program"), &TForm_MainKestrel::Menu_ExitSystemClick);
    SpeedButton_RangeSetup =
        addToolButton(QStringLiteral("SpeedButton_RangeSetup"), QStringLiteral("test-items"),
                      QStringLiteral("Configure the testing items"),
                      &TForm_MainKestrel::Menu_ConfigTestItemsClick);
    SpeedButton_ZarvoConfig =
        addToolButton(QStringLiteral("SpeedButton_ZarvoConfig"), QStringLiteral("can-hardware"),
                      QStringLiteral("Configure the CAN bus hardware"),
                      &TForm_MainKestrel::Menu_ConfigZarvoClick);
    SpeedButton_Stop =
        addToolButton(QStringLiteral("SpeedButton_Stop"), QStringLiteral("stop"),
                      QStringLiteral("Stop testing"), &TForm_MainKestrel::SpeedButton_StopClick);
    TntSpeedButton_ManualTest = addToolButton(
        QStringLiteral("TntSpeedButton_ManualTest"), QStringLiteral("test-single"),
        QStringLiteral("Test single item"), &TForm_MainKestrel::TntSpeedButton_ManualTestClick);
    TntSpeedButton_LoadConfig =
        addToolButton(QStringLiteral("TntSpeedButton_LoadConfig"), QStringLiteral("load-config"),
                      QStringLiteral("Load the configuration file"),
                      &TForm_MainKestrel::TntSpeedButton_LoadConfigClick);
    TntSpeedButton_TestAllItems = addToolButton(
        QStringLiteral("TntSpeedButton_TestAllItems"), QStringLiteral("test-all"),
        QStringLiteral("Test all items"), &TForm_MainKestrel::TntSpeedButton_TestAllItemsClick);
    TntSpeedButton_ViewTrend =
        addToolButton(QStringLiteral("TntSpeedButton_ViewTrend"), QStringLiteral("view-trend"),
                      QString(), &TForm_MainKestrel::TntSpeedButton_ViewTrendClick);
    TntSpeedButton_BusMonitor =
        addToolButton(QStringLiteral("TntSpeedButton_BusMonitor"), QStringLiteral("bus-monitor"),
                      QString(), &TForm_MainKestrel::TntSpeedButton_BusMonitorClick);
    for (QToolButton* button :
         {TntSpeedButton_ManualTest, TntSpeedButton_LoadConfig, TntSpeedButton_TestAllItems,
          TntSpeedButton_ViewTrend, TntSpeedButton_BusMonitor}) {
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        button->setFixedWidth(kCaptionedButtonWidth);
    }
    SpeedButton_Stop->setEnabled(false);
    TntSpeedButton_ManualTest->setEnabled(false);
    TntSpeedButton_TestAllItems->setEnabled(false);

    TntCheckBox_GroupCheck = new QCheckBox(Panel1);
    TntCheckBox_GroupCheck->setObjectName(QStringLiteral("TntCheckBox_GroupCheck"));
    row->addSpacing(6);
    row->addWidget(TntCheckBox_GroupCheck);
    row->addStretch(1);

    TntLabel_SearchAgain = new QLabel(Panel1);
    TntLabel_SearchAgain->setObjectName(QStringLiteral("TntLabel_SearchAgain"));
    TntLabel_SearchAgain->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    TntLabel_SearchAgain->setStyleSheet(
        QStringLiteral("color: rgb(255, 0, 0); font-weight: bold;"));
    TntLabel_SearchAgain->hide();
    row->addWidget(TntLabel_SearchAgain);

    Shape_CANStatus = new StatusLamp(Panel1);
    Shape_CANStatus->setObjectName(QStringLiteral("Shape_CANStatus"));
    Shape_CANStatus->setFixedSize(26, 26);
    row->addSpacing(8);
    row->addWidget(Shape_CANStatus);

    Label1 = new QLabel(QStringLiteral("CAN bus"), Panel1);
    Label1->setObjectName(QStringLiteral("Label1"));
    row->addWidget(Label1);
    return Panel1;
}

QToolButton* TForm_MainKestrel::addToolButton(const QString& name, const QString& icon,
                                              const QString& hint,
                                              void (TForm_MainKestrel::*handler)()) {
    auto* button = new QToolButton(Panel1);
    button->setObjectName(name);
    button->setIcon(QIcon(QStringLiteral(":/images/%1.svg").arg(icon)));
    button->setIconSize(QSize(32, 32));
    button->setToolTip(hint);
    button->setAutoRaise(true);
    button->setFixedHeight(kButtonHeight);
    button->setMinimumWidth(kButtonHeight);
    Panel1->layout()->addWidget(button);
    connect(button, &QToolButton::clicked, this, handler);
    return button;
}

void TForm_MainKestrel::createMenus() {
    QMenuBar* bar = menuBar();
    Menu_Person = bar->addMenu(QString());
    Menu_Person->setObjectName(QStringLiteral("Menu_Person"));
    N5 = addMenuItem(Menu_Person, QStringLiteral("N5"), false);
    N6 = addMenuItem(Menu_Person, QStringLiteral("N6"), false);
    N7 = addMenuItem(Menu_Person, QStringLiteral("N7"), false);
    N8 = addMenuItem(Menu_Person, QStringLiteral("N8"), false);
    Menu_ExitSystem = addMenuItem(Menu_Person, QStringLiteral("Menu_ExitSystem"), true);
    connect(Menu_ExitSystem, &QAction::triggered, this, &TForm_MainKestrel::Menu_ExitSystemClick);

    N10 = bar->addMenu(QString());
    N10->setObjectName(QStringLiteral("N10"));
    N11 = addMenuItem(N10, QStringLiteral("N11"), false);
    Menu_ConfigTestItems = addMenuItem(N10, QStringLiteral("Menu_ConfigTestItems"), true);
    connect(Menu_ConfigTestItems, &QAction::triggered, this,
            &TForm_MainKestrel::Menu_ConfigTestItemsClick);
    Menu_ConfigZarvo = addMenuItem(N10, QStringLiteral("Menu_ConfigZarvo"), true);
    connect(Menu_ConfigZarvo, &QAction::triggered, this, &TForm_MainKestrel::Menu_ConfigZarvoClick);
    N1 = addMenuItem(N10, QStringLiteral("N1"), true);
    connect(N1, &QAction::triggered, this, &TForm_MainKestrel::N1Click);
    Menu_BusMonitor = addMenuItem(N10, QStringLiteral("Menu_BusMonitor"), true);
    connect(Menu_BusMonitor, &QAction::triggered, this,
            &TForm_MainKestrel::TntSpeedButton_BusMonitorClick);

    N13 = addMenuItem(nullptr, QStringLiteral("N13"), false);
    N14 = addMenuItem(nullptr, QStringLiteral("N14"), false);
    Menu_About = addMenuItem(nullptr, QStringLiteral("Menu_About"), true);
    connect(Menu_About, &QAction::triggered, this, &TForm_MainKestrel::Menu_AboutClick);

    N2 = bar->addMenu(QString());
    N2->setObjectName(QStringLiteral("N2"));
    languageGroup_ = new QActionGroup(this);
    languageGroup_->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    const QString languageItems[][2] = {{QStringLiteral("Lang_Eng"), QStringLiteral("English")},
                                        {QStringLiteral("Lang_SC"), QStringLiteral("简体中文")},
                                        {QStringLiteral("Lang_TC"), QStringLiteral("繁体中文")}};
    QAction** languageActions[] = {&Lang_Eng, &Lang_SC, &Lang_TC};
    for (int language = 0; language < 3; ++language) {
        QAction* item = addMenuItem(N2, languageItems[language][0], true);
        item->setText(languageItems[language][1]);
        item->setCheckable(true);
        languageGroup_->addAction(item);
        connect(item, &QAction::triggered, this, [this, language] { Lang_EngClick(language); });
        *languageActions[language] = item;
    }
    keepMenuBarHeight();
}

// Chinese titles take a taller line than English ones (the CJK font's line is
// higher): the bar keeps the taller height in every language, so that the
// window keeps its size when the language changes.
void TForm_MainKestrel::keepMenuBarHeight() {
    QMenuBar* bar = menuBar();
    QAction* probe = bar->addAction(QStringLiteral("中文 English"));
    bar->setFixedHeight(bar->sizeHint().height());
    bar->removeAction(probe);
    delete probe;
}

// An item of `menu`, or of the menu bar itself when `menu` is null. Items that
// are not enabled here stay disabled: they have no command.
QAction* TForm_MainKestrel::addMenuItem(QMenu* menu, const QString& name, bool enabled) {
    auto* item = new QAction(this);
    item->setObjectName(name);
    item->setEnabled(enabled);
    if (menu)
        menu->addAction(item);
    else
        menuBar()->addAction(item);
    return item;
}

void TForm_MainKestrel::createTimers() {
    Timer_TestAllItems = new QTimer(this);
    Timer_TestAllItems->setObjectName(QStringLiteral("Timer_TestAllItems"));
    connect(Timer_TestAllItems, &QTimer::timeout, this,
            &TForm_MainKestrel::Timer_TestAllItemsTimer);
    Timer_TestSingleItem = new QTimer(this);
    Timer_TestSingleItem->setObjectName(QStringLiteral("Timer_TestSingleItem"));
    connect(Timer_TestSingleItem, &QTimer::timeout, this,
            &TForm_MainKestrel::Timer_TestSingleItemTimer);
    for (QTimer* timer : {Timer_TestAllItems, Timer_TestSingleItem})
        timer->setInterval(kRunTimerInterval);
}
