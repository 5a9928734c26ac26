// SPDX-License-Identifier: MIT
#include "workbook_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QGroupBox>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QScreen>
#include <QScrollBar>
#include <QSplitter>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>

#include "cell_delegate.h"
#include "form3.h"
#include "plan_pane.h"
#include "problems_pane.h"
#include "project_document.h"
#include "project_fields_panel.h"
#include "row_commands.h"
#include "totals_panel.h"
#include "unit_model.h"

namespace extcalc::workbook {
namespace {

// Input columns show whole labels (a K with its value, a model with its ratings); the
// problems are read in full in the pane under the table, so their column stays narrow.
constexpr int kWidestInput = 420;
constexpr int kWidestColumn = 260;
constexpr int kStatusMilliseconds = 8000;
const char* const kGeometryKey = "geometry";

}  // namespace

QString programName() {
    return QStringLiteral("建筑灭火器配置设计");
}

WorkbookWindow::WorkbookWindow(ui::MessageBoxFn showMessage, QWidget* parent)
    : QMainWindow(parent), showMessage_(std::move(showMessage)) {
    setObjectName(QStringLiteral("workbookWindow"));
    model_ = new UnitModel(&undo_, this);
    document_ = new ProjectDocument(model_, &undo_, showMessage_, this);
    createPanels();
    rows_ = new RowCommands(model_, table_, showMessage_, this);
    createActions();
    connect(qobject_cast<CellDelegate*>(table_->itemDelegate()), &CellDelegate::rowsPasted, rows_,
            &RowCommands::pasteRows);
    // The title names the project and marks it unsaved.
    connect(model_, &UnitModel::infoChanged, this, &WorkbookWindow::updateModified);
    connect(document_, &ProjectDocument::modificationChanged, this,
            &WorkbookWindow::updateModified);
    connect(document_, &ProjectDocument::aboutToWrite, fields_, &ProjectFieldsPanel::commit);
    connect(document_, &ProjectDocument::rowToShow, this,
            [this](int row) { table_->setCurrentIndex(model_->index(row, 0)); });
    connect(document_, &ProjectDocument::statusMessage, this, &WorkbookWindow::status);
    connect(model_, &QAbstractItemModel::modelReset, this, &WorkbookWindow::fitColumns);
    connect(model_, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex& from, const QModelIndex& to) {
                growColumns(from.row(), to.row());
            });
    connect(model_, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex&, int first, int last) { growColumns(first, last); });
    for (const auto signal :
         {&QAbstractItemModel::rowsInserted, &QAbstractItemModel::rowsRemoved}) {
        connect(model_, signal, this, &WorkbookWindow::showEmptyHint);
    }
    connect(model_, &QAbstractItemModel::modelReset, this, &WorkbookWindow::showEmptyHint);
    connect(table_->selectionModel(), &QItemSelectionModel::currentChanged, this,
            [this](const QModelIndex& current) { planPane_->showRow(current.row()); });
    connect(table_->horizontalScrollBar(), &QScrollBar::valueChanged, this,
            &WorkbookWindow::followHorizontalScroll);
    connect(table_->horizontalHeader(), &QHeaderView::sectionResized, this,
            &WorkbookWindow::followHorizontalScroll);

    updateModified();
    fitColumns();
    showEmptyHint();
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    if (!restoreGeometry(
            workbookSettings().value(QString::fromLatin1(kGeometryKey)).toByteArray())) {
        fitFirstStart();
    }
}

void WorkbookWindow::fitFirstStart() {
    // The screen less a margin for the panels of the desktop, and never more than a
    // table needs: on a wide screen a window of every column, on a small one all of it.
    const QScreen* shown = screen() != nullptr ? screen() : QGuiApplication::primaryScreen();
    if (shown == nullptr) {
        resize(1240, 760);
        return;
    }
    const QRect available = shown->availableGeometry();
    const QSize size(std::min(available.width() * 19 / 20, 1800),
                     std::min(available.height() * 19 / 20, 1000));
    // The frame comes on top of the size on most desktops.
    const QSize frame = frameGeometry().size() - geometry().size();
    resize(size - frame);
    move(available.center() - QPoint(size.width() / 2, size.height() / 2));
}

WorkbookWindow::~WorkbookWindow() {
    // The fields lose the focus as the window goes, after its own members (the undo
    // stack among them): what they report then must not reach the project. Nor what the
    // undo stack says as it empties itself must reach this window, half gone by then.
    for (QLineEdit* edit : fields_->edits()) {
        disconnect(edit, nullptr, fields_, nullptr);
    }
    disconnect(document_, nullptr, this, nullptr);
}

const QString& WorkbookWindow::filePath() const {
    return document_->filePath();
}

RecoveryCopy* WorkbookWindow::recovery() const {
    return document_->recovery();
}

bool WorkbookWindow::openFile(const QString& path) {
    return document_->openFile(path);
}

bool WorkbookWindow::saveTo(const QString& path) {
    return document_->saveTo(path);
}

bool WorkbookWindow::importCsv(const QString& path, building::Standard standard) {
    return document_->importCsv(path, standard);
}

bool WorkbookWindow::exportCsv(const QString& path) {
    return document_->exportCsv(path);
}

bool WorkbookWindow::exportReport(const QString& path) {
    return document_->exportReport(path);
}

bool WorkbookWindow::exportPlanImage(const QString& path) {
    return document_->exportPlanImage(path, planPane_->row());
}

QString WorkbookWindow::proposedSavePath() const {
    return document_->proposedSavePath();
}

QStringList WorkbookWindow::recentFiles() {
    return ProjectDocument::recentFiles();
}

void WorkbookWindow::offerRecovery() {
    document_->offerRecovery([this] {
        auto* window = new WorkbookWindow(showMessage_);
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->show();
        return window->document_;
    });
}

void WorkbookWindow::closeEvent(QCloseEvent* event) {
    fields_->commit();
    if (!document_->close()) {
        event->ignore();
        return;
    }
    workbookSettings().setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
    event->accept();
}

void WorkbookWindow::createPanels() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);
    fields_ = new ProjectFieldsPanel(model_, showMessage_, central);
    layout->addWidget(fields_);

    auto* splitter = new QSplitter(Qt::Vertical, central);
    // The units on the left, the plan of the current one beside them.
    auto* beside = new QSplitter(Qt::Horizontal, splitter);
    auto* unitsBox = new QWidget(beside);
    auto* unitsLayout = new QVBoxLayout(unitsBox);
    unitsLayout->setContentsMargins(0, 0, 0, 0);
    table_ = new QTableView(unitsBox);
    table_->setObjectName(QStringLiteral("unitTable"));
    table_->setAccessibleName(QStringLiteral("计算单元"));
    table_->setModel(model_);
    table_->setItemDelegate(new CellDelegate(table_));
    table_->setEditTriggers(QAbstractItemView::AnyKeyPressed | QAbstractItemView::EditKeyPressed |
                            QAbstractItemView::DoubleClicked | QAbstractItemView::SelectedClicked);
    table_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    table_->setWordWrap(false);
    // Tab goes on to the next control, so the keyboard reaches every part of the window;
    // the arrow keys move between cells.
    table_->setTabKeyNavigation(false);
    table_->setAlternatingRowColors(false);
    // Ten thousand rows: a fixed height spares measuring each, and column widths are
    // taken from a sample of rows rather than from all of them.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    table_->verticalHeader()->setDefaultSectionSize(table_->fontMetrics().height() + 8);
    table_->horizontalHeader()->setResizeContentsPrecision(60);
    table_->horizontalHeader()->setStretchLastSection(true);
    table_->verticalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    // Said over the empty table, where the first unit will be.
    emptyHint_ =
        new QLabel(QStringLiteral("工程中还没有计算单元。\n"
                                  "按 Insert 键或点击工具栏上的“添加”添加第一个计算单元，\n"
                                  "或粘贴表格中的行（Ctrl+V），或从“文件 → 导入 CSV”导入。"),
                   table_->viewport());
    emptyHint_->setObjectName(QStringLiteral("emptyHint"));
    emptyHint_->setAlignment(Qt::AlignCenter);
    emptyHint_->setAttribute(Qt::WA_TransparentForMouseEvents);
    emptyHint_->setEnabled(false);  // greyed, like any placeholder text
    auto* hintLayout = new QVBoxLayout(table_->viewport());
    hintLayout->addWidget(emptyHint_);

    problems_ = new ProblemsPane(model_, table_, unitsBox);
    unitsLayout->addWidget(table_, 1);
    unitsLayout->addWidget(problems_);

    totals_ = new TotalsPanel(model_, splitter);
    auto* planBox = new QGroupBox(QStringLiteral("平面"), beside);
    planBox->setObjectName(QStringLiteral("planPanel"));
    auto* planLayout = new QVBoxLayout(planBox);
    planLayout->setContentsMargins(4, 4, 4, 4);
    planPane_ = new PlanPane(model_, planBox);
    planPane_->setObjectName(QStringLiteral("planPane"));
    planLayout->addWidget(planPane_);
    beside->addWidget(unitsBox);
    beside->addWidget(planBox);
    beside->setStretchFactor(0, 3);
    beside->setStretchFactor(1, 2);
    splitter->addWidget(beside);
    splitter->addWidget(totals_);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({560, 170});
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    const std::vector<QLineEdit*>& fields = fields_->edits();
    for (std::size_t i = 0; i + 1 < fields.size(); ++i) {
        setTabOrder(fields[i], fields[i + 1]);
    }
    setTabOrder(fields.back(), fields_->standardBox());
    setTabOrder(fields_->standardBox(), table_);
    setTabOrder(table_, problems_);
    setTabOrder(problems_, totals_->list());
}

void WorkbookWindow::createActions() {
    // The commands belong to the parts that carry them out.
    const auto action = [this](QMenu* menu, const char* name, const QString& text,
                               const QList<QKeySequence>& keys, auto* receiver, auto handler) {
        auto* act = new QAction(text, this);
        act->setObjectName(QString::fromLatin1(name));
        act->setShortcuts(keys);
        menu->addAction(act);
        connect(act, &QAction::triggered, receiver, handler);
        return act;
    };
    // Keys the cells' own editors and the info fields use as well: they act on rows only
    // while the table itself has the focus.
    const auto onTable = [this](QAction* act) {
        act->setShortcutContext(Qt::WidgetShortcut);
        table_->addAction(act);
    };

    QMenu* file = menuBar()->addMenu(QStringLiteral("文件(&F)"));
    file->setObjectName(QStringLiteral("fileMenu"));
    action(file, "actionNew", QStringLiteral("新建(&N)"), {QKeySequence::New}, document_,
           &ProjectDocument::newProject);
    action(file, "actionOpen", QStringLiteral("打开(&O)…"), {QKeySequence::Open}, document_,
           &ProjectDocument::chooseAndOpen);
    recentMenu_ = file->addMenu(QStringLiteral("最近打开的文件(&R)"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    connect(recentMenu_, &QMenu::aboutToShow, document_,
            [this] { document_->fillRecentMenu(recentMenu_); });
    action(file, "actionSave", QStringLiteral("保存(&S)"), {QKeySequence::Save}, document_,
           &ProjectDocument::save);
    action(file, "actionSaveAs", QStringLiteral("另存为(&A)…"),
           {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, document_, &ProjectDocument::saveAs);
    file->addSeparator();
    action(file, "actionImportCsv", QStringLiteral("导入 CSV(&I)…"), {}, document_,
           &ProjectDocument::chooseAndImport);
    action(file, "actionExportCsv", QStringLiteral("导出 CSV(&E)…"), {}, document_,
           &ProjectDocument::chooseAndExport);
    file->addSeparator();
    action(file, "actionExportReport", QStringLiteral("导出计算书(&R)…"), {}, document_,
           &ProjectDocument::chooseAndExportReport);
    action(file, "actionPrint", QStringLiteral("打印计算书(&P)…"), {QKeySequence::Print}, document_,
           &ProjectDocument::printReport);
    action(file, "actionExportPlan", QStringLiteral("导出平面图(&G)…"), {}, document_,
           [this] { document_->chooseAndExportPlan(planPane_->row()); });
    file->addSeparator();
    action(file, "actionQuit", QStringLiteral("退出(&X)"), {QKeySequence(Qt::CTRL | Qt::Key_Q)},
           this, &WorkbookWindow::close);

    QMenu* edit = menuBar()->addMenu(QStringLiteral("编辑(&E)"));
    edit->setObjectName(QStringLiteral("editMenu"));
    QAction* undo = undo_.createUndoAction(this, QStringLiteral("撤销"));
    undo->setObjectName(QStringLiteral("actionUndo"));
    undo->setShortcuts(QKeySequence::Undo);
    QAction* redo = undo_.createRedoAction(this, QStringLiteral("重做"));
    redo->setObjectName(QStringLiteral("actionRedo"));
    redo->setShortcuts(
        {QKeySequence(Qt::CTRL | Qt::Key_Y), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Z)});
    edit->addAction(undo);
    edit->addAction(redo);
    edit->addSeparator();
    onTable(action(edit, "actionCopy", QStringLiteral("复制行(&C)"), {QKeySequence::Copy}, rows_,
                   &RowCommands::copyRows));
    onTable(action(edit, "actionPaste", QStringLiteral("粘贴行(&P)"), {QKeySequence::Paste}, rows_,
                   &RowCommands::pasteRows));
    edit->addSeparator();
    action(edit, "actionAddUnit", QStringLiteral("添加计算单元(&A)"),
           {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Equal),
            QKeySequence(Qt::CTRL | Qt::Key_Plus)},
           rows_, &RowCommands::addUnit);
    action(edit, "actionDuplicateUnit", QStringLiteral("复制计算单元(&D)"),
           {QKeySequence(Qt::CTRL | Qt::Key_D)}, rows_, &RowCommands::duplicateUnits);
    onTable(action(edit, "actionDeleteUnit", QStringLiteral("删除计算单元(&L)"),
                   {QKeySequence(Qt::Key_Delete)}, rows_, &RowCommands::deleteUnits));
    // F4 and Alt+Down open a drop-down, as in spreadsheets; moving rows takes keys that
    // mean nothing else in a table.
    onTable(action(edit, "actionMoveUp", QStringLiteral("上移(&U)"),
                   {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Up)}, rows_,
                   [this] { rows_->moveCurrent(-1); }));
    onTable(action(edit, "actionMoveDown", QStringLiteral("下移(&W)"),
                   {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Down)}, rows_,
                   [this] { rows_->moveCurrent(1); }));
    edit->addSeparator();
    onTable(action(edit, "actionOpenChoices", QStringLiteral("展开下拉列表(&O)"),
                   {QKeySequence(Qt::Key_F4), QKeySequence(Qt::ALT | Qt::Key_Down)}, this,
                   &WorkbookWindow::openChoices));

    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    tools->setObjectName(QStringLiteral("toolsMenu"));
    action(tools, "actionClassic", QStringLiteral("单项计算（GBJ140-90）(&C)"), {}, this, [this] {
        auto* classic = new ui::form3(showMessage_);
        classic->setAttribute(Qt::WA_DeleteOnClose);
        classic->show();
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("helpMenu"));
    action(help, "actionAbout", QStringLiteral("关于(&A)"), {}, this, &WorkbookWindow::about);
    createToolBar();
}

void WorkbookWindow::createToolBar() {
    QToolBar* bar = addToolBar(QStringLiteral("常用"));
    bar->setObjectName(QStringLiteral("toolBar"));
    bar->setMovable(false);
    bar->setToolButtonStyle(Qt::ToolButtonTextOnly);
    const auto put = [this, bar](const char* name, const QString& text, const QString& tip) {
        auto* act = findChild<QAction*>(QString::fromLatin1(name));
        bar->addAction(act);
        auto* button = bar->widgetForAction(act);
        button->setObjectName(QStringLiteral("tool_") + QString::fromLatin1(name));
        // The menu's caption carries its mnemonic; the button says it short.
        button->setProperty("text", text);
        button->setToolTip(tip);
    };
    const auto keys = [this](const char* name) {
        return findChild<QAction*>(QString::fromLatin1(name))
            ->shortcut()
            .toString(QKeySequence::NativeText);
    };
    put("actionAddUnit", QStringLiteral("添加"),
        QStringLiteral("在当前行之后添加计算单元（%1）").arg(keys("actionAddUnit")));
    put("actionDeleteUnit", QStringLiteral("删除"),
        QStringLiteral("删除选中的计算单元（%1）").arg(keys("actionDeleteUnit")));
    put("actionMoveUp", QStringLiteral("上移"),
        QStringLiteral("把当前计算单元上移一行（%1）").arg(keys("actionMoveUp")));
    put("actionMoveDown", QStringLiteral("下移"),
        QStringLiteral("把当前计算单元下移一行（%1）").arg(keys("actionMoveDown")));
    bar->addSeparator();
    // The menu's undo actions rename themselves after the step they undo; the buttons
    // keep one short word and say the step in their tooltip.
    for (const bool redo : {false, true}) {
        auto* act = bar->addAction(redo ? QStringLiteral("重做") : QStringLiteral("撤销"));
        act->setObjectName(redo ? QStringLiteral("toolRedo") : QStringLiteral("toolUndo"));
        bar->widgetForAction(act)->setObjectName(redo ? QStringLiteral("tool_actionRedo")
                                                      : QStringLiteral("tool_actionUndo"));
        const QString shortcut = keys(redo ? "actionRedo" : "actionUndo");
        const auto follow = [this, act, redo, shortcut] {
            act->setEnabled(redo ? undo_.canRedo() : undo_.canUndo());
            const QString step = redo ? undo_.redoText() : undo_.undoText();
            act->setToolTip((redo ? QStringLiteral("重做") : QStringLiteral("撤销")) +
                            (step.isEmpty() ? QString() : QStringLiteral("“%1”").arg(step)) +
                            QStringLiteral("（%1）").arg(shortcut));
        };
        connect(&undo_, &QUndoStack::indexChanged, act, follow);
        connect(&undo_, &QUndoStack::cleanChanged, act, follow);
        connect(&undo_, &QUndoStack::canUndoChanged, act, follow);
        connect(&undo_, &QUndoStack::canRedoChanged, act, follow);
        follow();
        connect(act, &QAction::triggered, &undo_, redo ? &QUndoStack::redo : &QUndoStack::undo);
    }
    bar->addSeparator();
    put("actionExportReport", QStringLiteral("导出计算书"),
        QStringLiteral("把计算书导出为 PDF 或 HTML"));
}

void WorkbookWindow::fitColumns() {
    table_->resizeColumnsToContents();
    for (int column = 0; column < model_->columnCount(); ++column) {
        const int widest = column < model_->inputCount() ? kWidestInput : kWidestColumn;
        table_->setColumnWidth(column, std::clamp(table_->columnWidth(column) + 12, 64, widest));
    }
    table_->setColumnWidth(0, std::max(table_->columnWidth(0), 180));
}

void WorkbookWindow::growColumns(int firstRow, int lastRow) {
    if (firstRow < 0) {
        return;
    }
    // A paste of ten thousand rows is measured by a sample, as on opening.
    lastRow = std::min(lastRow, firstRow + 60);
    for (int column = 0; column < model_->columnCount(); ++column) {
        const int widest = column < model_->inputCount() ? kWidestInput : kWidestColumn;
        int wanted = table_->columnWidth(column);
        for (int row = firstRow; row <= lastRow && row < model_->rowCount(); ++row) {
            wanted = std::max(
                wanted, std::min(table_->sizeHintForIndex(model_->index(row, column)).width() + 12,
                                 widest));
        }
        if (wanted > table_->columnWidth(column)) {
            table_->setColumnWidth(column, wanted);
        }
    }
}

void WorkbookWindow::openChoices() {
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid() || !model_->isChoice(current.column())) {
        return;
    }
    table_->edit(current);
    if (auto* combo = qobject_cast<QComboBox*>(table_->indexWidget(current))) {
        combo->showPopup();
    }
}

void WorkbookWindow::showEmptyHint() {
    emptyHint_->setVisible(model_->rowCount() == 0);
}

void WorkbookWindow::followHorizontalScroll() {
    // Once the name column is out of sight, the row headers carry the names.
    const int right = table_->columnViewportPosition(0) + table_->columnWidth(0);
    model_->setNamesInRowHeaders(right < table_->columnWidth(0) / 2);
}

void WorkbookWindow::status(const QString& text) {
    statusBar()->showMessage(text, kStatusMilliseconds);
}

void WorkbookWindow::updateModified() {
    setWindowModified(document_->isModified());
    const std::string& name = model_->workbook().info().name;
    setWindowTitle((name.empty() ? QStringLiteral("未命名") : QString::fromStdString(name)) +
                   QStringLiteral("[*] — ") + programName());
}

void WorkbookWindow::about() {
    const std::string text = "建筑灭火器配置设计 " EXTCALC_VERSION
                             "\n\n按《建筑灭火器配置设计规范》GB 50140-2005 或 GBJ140-90，"
                             "逐个计算单元配置一幢建筑的灭火器，并汇总灭火器配置清单。";
    showMessage_(this, Message{text, {}, Icon::None, Buttons::Ok});
}

}  // namespace extcalc::workbook
