// SPDX-License-Identifier: MIT
#include "workbook_window.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGroupBox>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QStandardPaths>
#include <QStatusBar>
#include <QTableView>
#include <QTableWidget>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>
#include <sstream>

#include "cell_delegate.h"
#include "extcalc/file_errors.h"
#include "extcalc/plan_painter.h"
#include "extcalc/plan_view.h"
#include "extcalc/project.h"
#include "extcalc/report.h"
#include "extcalc/report_pdf.h"
#include "extcalc/result_table.h"
#include "extcalc/unit_table.h"
#include "extcalc/workbook.h"
#include "form3.h"
#include "plan_pane.h"
#include "problems_pane.h"
#include "project_fields_panel.h"
#include "recovery.h"
#include "row_commands.h"
#include "totals_panel.h"
#include "unit_model.h"

namespace extcalc::workbook {
namespace {

using building::Project;
using building::Standard;

constexpr int kRecentLimit = 8;
constexpr std::chrono::milliseconds kRecoveryInterval{60 * 1000};
// Input columns show whole labels (a K with its value, a model with its ratings); the
// problems are read in full in the pane under the table, so their column stays narrow.
constexpr int kWidestInput = 420;
constexpr int kWidestColumn = 260;
constexpr int kStatusMilliseconds = 8000;
const char* const kRecentKey = "recentFiles";
const char* const kFolderKey = "lastFolder";
const char* const kGeometryKey = "geometry";

std::filesystem::path fsPath(const QString& path) {
    return {path.toStdString()};
}

std::string fileName(const QString& path) {
    return QFileInfo(path).fileName().toStdString();
}

QSettings settings() {
    return QSettings(QStringLiteral("extinguisher-calc"), QStringLiteral("extinguisher-design"));
}

QString fileFilter() {
    return QStringLiteral("工程文件 (*%1)")
        .arg(QString::fromUtf8(building::kProjectExtension.data()));
}

}  // namespace

QString programName() {
    return QStringLiteral("建筑灭火器配置设计");
}

WorkbookWindow::WorkbookWindow(ui::MessageBoxFn showMessage, QWidget* parent)
    : QMainWindow(parent), showMessage_(std::move(showMessage)) {
    setObjectName(QStringLiteral("workbookWindow"));
    model_ = new UnitModel(&undo_, this);
    createPanels();
    rows_ = new RowCommands(model_, table_, showMessage_, this);
    createActions();
    connect(qobject_cast<CellDelegate*>(table_->itemDelegate()), &CellDelegate::rowsPasted, rows_,
            &RowCommands::pasteRows);
    // The title names the project.
    connect(model_, &UnitModel::infoChanged, this, &WorkbookWindow::updateModified);
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
    connect(&undo_, &QUndoStack::cleanChanged, this, &WorkbookWindow::updateModified);

    recovery_ = new RecoveryCopy(
        RecoveryCopy::defaultFolder(), kRecoveryInterval,
        [this]() -> std::optional<Project> {
            if (!isWindowModified()) {
                return std::nullopt;
            }
            return model_->workbook().project();
        },
        this);

    updateModified();
    fitColumns();
    showEmptyHint();
    statusBar()->setObjectName(QStringLiteral("statusBar"));
    if (!restoreGeometry(settings().value(QString::fromLatin1(kGeometryKey)).toByteArray())) {
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
    // The fields lose the focus as they are destroyed, after this window's own members:
    // what they report then must not reach it.
    for (QLineEdit* edit : fields_->edits()) {
        disconnect(edit, nullptr, fields_, nullptr);
    }
    disconnect(&undo_, nullptr, this, nullptr);
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
    action(file, "actionNew", QStringLiteral("新建(&N)"), {QKeySequence::New}, this,
           &WorkbookWindow::newProject);
    action(file, "actionOpen", QStringLiteral("打开(&O)…"), {QKeySequence::Open}, this,
           &WorkbookWindow::chooseAndOpen);
    recentMenu_ = file->addMenu(QStringLiteral("最近打开的文件(&R)"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    connect(recentMenu_, &QMenu::aboutToShow, this, &WorkbookWindow::fillRecentMenu);
    action(file, "actionSave", QStringLiteral("保存(&S)"), {QKeySequence::Save}, this,
           &WorkbookWindow::save);
    action(file, "actionSaveAs", QStringLiteral("另存为(&A)…"),
           {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, this, &WorkbookWindow::saveAs);
    file->addSeparator();
    action(file, "actionImportCsv", QStringLiteral("导入 CSV(&I)…"), {}, this,
           &WorkbookWindow::chooseAndImport);
    action(file, "actionExportCsv", QStringLiteral("导出 CSV(&E)…"), {}, this,
           &WorkbookWindow::chooseAndExport);
    file->addSeparator();
    action(file, "actionExportReport", QStringLiteral("导出计算书(&R)…"), {}, this,
           &WorkbookWindow::chooseAndExportReport);
    action(file, "actionPrint", QStringLiteral("打印计算书(&P)…"), {QKeySequence::Print}, this,
           &WorkbookWindow::printReport);
    action(file, "actionExportPlan", QStringLiteral("导出平面图(&G)…"), {}, this,
           &WorkbookWindow::chooseAndExportPlan);
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

// ---- files

bool WorkbookWindow::maybeSave() {
    if (!isWindowModified()) {
        return true;
    }
    const std::string name = model_->workbook().info().name.empty()
                                 ? std::string("未命名")
                                 : model_->workbook().info().name;
    const std::string text = "工程“" + name + "”有尚未保存的修改。\n是否保存？";
    switch (showMessage_(this, Message{text, {}, Icon::Question, Buttons::SaveDiscardCancel})) {
        case Answer::Save:
            return save();
        case Answer::Discard:
            return true;
        default:
            return false;
    }
}

bool WorkbookWindow::save() {
    return path_.isEmpty() ? saveAs() : saveTo(path_);
}

QString WorkbookWindow::proposedSavePath() const {
    if (!path_.isEmpty()) {
        return path_;
    }
    QString folder = settings().value(QString::fromLatin1(kFolderKey)).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
    return QDir(folder).filePath(
        QString::fromStdString(building::proposedFileName(model_->workbook().info())));
}

bool WorkbookWindow::saveAs() {
    fields_->commit();
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("另存为"), proposedSavePath(),
                                                fileFilter());
    if (path.isEmpty()) {
        return false;
    }
    const QString extension = QString::fromUtf8(building::kProjectExtension.data());
    if (!path.endsWith(extension, Qt::CaseInsensitive)) {
        path += extension;
    }
    return saveTo(path);
}

bool WorkbookWindow::saveTo(const QString& path) {
    fields_->commit();
    const std::error_code error =
        building::writeProjectFile(fsPath(path), model_->workbook().project());
    if (error) {
        tell("无法保存“" + fileName(path) + "”：\n" +
             building::describeFileError(error, building::FileUse::Write) +
             "\n工程尚未保存，原有文件保持不变。");
        return false;
    }
    path_ = path;
    unsavedWithoutEdits_ = false;
    undo_.setClean();
    updateModified();
    rememberRecent(path);
    recovery_->follow(path);
    status(QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool WorkbookWindow::openFile(const QString& path) {
    // Read before anything is asked or changed: a file that cannot be opened leaves the
    // window as it was.
    building::ProjectRead read = building::readProjectFile(fsPath(path));
    if (!read.project) {
        std::string text = "无法打开“" + fileName(path) + "”：\n" +
                           (read.error ? read.error->text() : std::string("文件无法读取"));
        // A file that is gone is no use in the list; one that is there but refused stays,
        // since the designer may mend it.
        if (!QFileInfo::exists(path) &&
            recentFiles().contains(QFileInfo(path).absoluteFilePath())) {
            forgetRecent(path);
            text += "\n已从“最近打开的文件”中移除。";
        }
        tell(text);
        return false;
    }
    if (!maybeSave()) {
        return false;
    }
    load(std::move(*read.project), path, false);
    rememberRecent(path);
    status(QStringLiteral("已打开 %1（%2 个计算单元）")
               .arg(QDir::toNativeSeparators(path))
               .arg(model_->rowCount()));
    return true;
}

bool WorkbookWindow::importCsv(const QString& path, Standard standard) {
    std::ifstream in(fsPath(path), std::ios::binary);
    if (!in) {
        tell("无法打开“" + fileName(path) + "”：\n" +
             building::describeFileError(std::error_code(errno, std::generic_category()),
                                         building::FileUse::Read));
        return false;
    }
    building::ProjectRead read = building::readTableAsProject(in, standard);
    if (!read.project) {
        tell("无法导入“" + fileName(path) + "”：\n" +
             (read.error ? read.error->text() : std::string("文件无法读取")));
        return false;
    }
    rememberFolder(path);
    const std::size_t count = read.project->units.size();
    const QString done =
        QStringLiteral("已从 %1 导入 %2 个计算单元").arg(QDir::toNativeSeparators(path)).arg(count);
    // An empty, unchanged project has nothing to keep: the table becomes the project.
    const bool empty = model_->rowCount() == 0 && !isWindowModified();
    if (!empty && standard == model_->workbook().standard()) {
        const std::string name = model_->workbook().info().name.empty()
                                     ? std::string("未命名")
                                     : model_->workbook().info().name;
        const std::string text = "“" + fileName(path) + "”中有 " + std::to_string(count) +
                                 " 个计算单元。\n是否把它们添加到当前工程“" + name +
                                 "”的末尾？\n选择“是”添加（可以一步撤销），选择“否”新建一个工程。";
        const Answer answer =
            showMessage_(this, Message{text, {}, Icon::Question, Buttons::YesNoCancel});
        if (answer == Answer::Yes) {
            const int at = model_->rowCount();
            model_->addUnits(at, std::move(read.project->units), QStringLiteral("导入 CSV"));
            table_->setCurrentIndex(model_->index(at, 0));
            status(done);
            return true;
        }
        if (answer != Answer::No) {
            return false;
        }
    } else if (!empty) {
        // Units of the other standard cannot join this project's.
        const std::string text =
            "“" + fileName(path) + "”按" + std::string(building::standardCode(standard)) +
            "填写，当前工程按" +
            std::string(building::standardCode(model_->workbook().standard())) +
            "计算，不能添加到当前工程。\n是否新建一个工程导入它？";
        if (showMessage_(this, Message{text, {}, Icon::Question, Buttons::OkCancel}) !=
            Answer::Ok) {
            return false;
        }
    }
    if (!maybeSave()) {
        return false;
    }
    load(std::move(*read.project), {}, true);
    status(done);
    return true;
}

bool WorkbookWindow::exportCsv(const QString& path) {
    std::ostringstream out;
    building::writeResultCsv(out, model_->workbook());
    const std::error_code error = building::writeFileSafely(fsPath(path), out.str());
    if (error) {
        tell("无法导出“" + fileName(path) + "”：\n" +
             building::describeFileError(error, building::FileUse::Write));
        return false;
    }
    rememberFolder(path);
    status(QStringLiteral("已导出 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool WorkbookWindow::exportReport(const QString& path) {
    const report::Document document = report::buildReport(model_->workbook().project());
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("pdf")) {
        const report::PdfWritten written = report::writePdf(document, fsPath(path));
        if (!written.ok) {
            tell("无法导出“" + fileName(path) + "”：\n" + written.error);
            return false;
        }
        rememberFolder(path);
        status(QStringLiteral("计算书已导出到 %1").arg(QDir::toNativeSeparators(path)));
        return true;
    }
    if (suffix != QStringLiteral("html") && suffix != QStringLiteral("htm")) {
        tell("计算书的文件名应以 .pdf 或 .html 结尾：“" + fileName(path) + "”");
        return false;
    }
    const std::error_code error =
        building::writeFileSafely(fsPath(path), report::renderHtml(document));
    if (error) {
        tell("无法导出“" + fileName(path) + "”：\n" +
             building::describeFileError(error, building::FileUse::Write));
        return false;
    }
    rememberFolder(path);
    status(QStringLiteral("计算书已导出到 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool WorkbookWindow::reportDespiteErrors(std::string_view action) {
    const auto failed = report::unitsInError(model_->workbook().project());
    if (failed.empty()) {
        return true;
    }
    const std::string text = report::unitsInErrorQuestion(failed, action);
    return showMessage_(this, Message{text, {}, Icon::Question, Buttons::YesNo}) == Answer::Yes;
}

void WorkbookWindow::chooseAndExportReport() {
    if (!reportDespiteErrors("导出")) {
        return;
    }
    const QString pdf = QStringLiteral("PDF 文件 (*.pdf)");
    const QString html = QStringLiteral("HTML 网页 (*.html)");
    const QFileInfo proposed(proposedSavePath());
    const QString suggested = proposed.path() + QDir::separator() + proposed.completeBaseName() +
                              QStringLiteral("-计算书.pdf");
    QString chosenFilter = pdf;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出计算书"), suggested,
                                                pdf + QStringLiteral(";;") + html, &chosenFilter);
    if (path.isEmpty()) {
        return;
    }
    // The file type decides the format: a name without one takes the chosen filter's.
    if (QFileInfo(path).suffix().isEmpty()) {
        path += chosenFilter == html ? QStringLiteral(".html") : QStringLiteral(".pdf");
    }
    exportReport(path);
}

bool WorkbookWindow::exportPlanImage(const QString& path) {
    const int row = planPane_->row();
    // Computed afresh: the workbook keeps no unit's working, and the labels need its counts.
    const auto figure = row >= 0 ? building::planFigure(building::evaluate(
                                       model_->workbook().standard(),
                                       model_->workbook().cells(static_cast<std::size_t>(row))))
                                 : std::nullopt;
    if (!figure) {
        tell("所选的计算单元没有可用的平面");
        return false;
    }
    const plan::draw::Drawing drawing = plan::draw::layout(*figure, building::kPlanImageFrame);
    const QString suffix = QFileInfo(path).suffix().toLower();
    std::error_code error;
    if (suffix == QStringLiteral("svg")) {
        error = building::writeFileSafely(fsPath(path), plan::draw::svg(drawing));
    } else if (suffix == QStringLiteral("png")) {
        const QByteArray png = report::planPng(drawing);
        error = building::writeFileSafely(fsPath(path), png.toStdString());
    } else {
        tell("平面图的文件名应以 .png 或 .svg 结尾：“" + fileName(path) + "”");
        return false;
    }
    if (error) {
        tell("无法导出“" + fileName(path) + "”：\n" +
             building::describeFileError(error, building::FileUse::Write));
        return false;
    }
    rememberFolder(path);
    status(QStringLiteral("平面图已导出到 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

void WorkbookWindow::chooseAndExportPlan() {
    const QString png = QStringLiteral("PNG 图片 (*.png)");
    const QString svg = QStringLiteral("SVG 图形 (*.svg)");
    const QFileInfo proposed(proposedSavePath());
    const int row = planPane_->row();
    const std::string unit =
        row >= 0 ? model_->workbook().cells(static_cast<std::size_t>(row)).front() : std::string();
    const QString suggested = proposed.path() + QDir::separator() + proposed.completeBaseName() +
                              QStringLiteral("-") + QString::fromStdString(unit) +
                              QStringLiteral("-平面.png");
    QString chosenFilter = png;
    QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出平面图"), suggested,
                                                png + QStringLiteral(";;") + svg, &chosenFilter);
    if (path.isEmpty()) {
        return;
    }
    if (QFileInfo(path).suffix().isEmpty()) {
        path += chosenFilter == svg ? QStringLiteral(".svg") : QStringLiteral(".png");
    }
    exportPlanImage(path);
}

void WorkbookWindow::printReport() {
    if (!reportDespiteErrors("打印")) {
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    printer.setPageOrientation(QPageLayout::Portrait);
    printer.setFullPage(true);
    printer.setDocName(QStringLiteral("建筑灭火器配置设计计算书"));
    QPrintPreviewDialog preview(&printer, this);
    preview.setObjectName(QStringLiteral("printPreview"));
    preview.setWindowTitle(QStringLiteral("打印预览 — 计算书"));
    const report::Document document = report::buildReport(model_->workbook().project());
    connect(&preview, &QPrintPreviewDialog::paintRequested, this,
            [&document](QPrinter* target) { report::paintReport(document, *target); });
    preview.exec();
}

void WorkbookWindow::load(Project project, const QString& path, bool unsaved) {
    model_->reset(std::move(project));
    path_ = path;
    recovery_->follow(path);
    unsavedWithoutEdits_ = unsaved;
    undo_.setClean();
    updateModified();
    if (model_->rowCount() > 0) {
        table_->setCurrentIndex(model_->index(0, 0));
    }
}

void WorkbookWindow::newProject() {
    if (maybeSave()) {
        load(Project{}, {}, false);
    }
}

void WorkbookWindow::chooseAndOpen() {
    const QString path =
        QFileDialog::getOpenFileName(this, QStringLiteral("打开工程"),
                                     QFileInfo(proposedSavePath()).absolutePath(), fileFilter());
    if (!path.isEmpty()) {
        openFile(path);
    }
}

void WorkbookWindow::chooseAndImport() {
    const QComboBox* box = fields_->standardBox();
    const QStringList standards{box->itemText(0), box->itemText(1)};
    bool chosen = false;
    const QString picked = QInputDialog::getItem(
        this, QStringLiteral("导入 CSV"), QStringLiteral("表格中的计算单元按哪一本规范填写？"),
        standards, box->currentIndex(), false, &chosen);
    if (!chosen) {
        return;
    }
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("导入 CSV"),
                                                      QFileInfo(proposedSavePath()).absolutePath(),
                                                      QStringLiteral("CSV 表格 (*.csv *.txt)"));
    if (!path.isEmpty()) {
        importCsv(path, static_cast<Standard>(
                            box->itemData(static_cast<int>(standards.indexOf(picked))).toInt()));
    }
}

void WorkbookWindow::chooseAndExport() {
    const QFileInfo proposed(proposedSavePath());
    const QString suggested =
        proposed.path() + QDir::separator() + proposed.completeBaseName() + QStringLiteral(".csv");
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出 CSV"), suggested,
                                                      QStringLiteral("CSV 表格 (*.csv)"));
    if (!path.isEmpty()) {
        exportCsv(path);
    }
}

QStringList WorkbookWindow::recentFiles() {
    return settings().value(QString::fromLatin1(kRecentKey)).toStringList();
}

void WorkbookWindow::rememberFolder(const QString& path) {
    settings().setValue(QString::fromLatin1(kFolderKey), QFileInfo(path).absolutePath());
}

void WorkbookWindow::forgetRecent(const QString& path) {
    QStringList recent = recentFiles();
    recent.removeAll(QFileInfo(path).absoluteFilePath());
    settings().setValue(QString::fromLatin1(kRecentKey), recent);
}

void WorkbookWindow::rememberRecent(const QString& path) {
    rememberFolder(path);
    QSettings store = settings();
    QStringList recent = store.value(QString::fromLatin1(kRecentKey)).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > kRecentLimit) {
        recent.removeLast();
    }
    store.setValue(QString::fromLatin1(kRecentKey), recent);
}

void WorkbookWindow::fillRecentMenu() {
    recentMenu_->clear();
    const QStringList recent = settings().value(QString::fromLatin1(kRecentKey)).toStringList();
    int number = 0;
    for (const QString& path : recent) {
        ++number;
        auto* act = recentMenu_->addAction(QStringLiteral("&%1 %2").arg(number).arg(path));
        act->setObjectName(QStringLiteral("recent%1").arg(number));
        connect(act, &QAction::triggered, this, [this, path] { openFile(path); });
    }
    if (recent.isEmpty()) {
        recentMenu_->addAction(QStringLiteral("（无）"))->setEnabled(false);
    }
}

// ---- recovery

void WorkbookWindow::offerRecovery() {
    std::vector<StaleCopy> copies = RecoveryCopy::staleCopies(RecoveryCopy::defaultFolder());
    for (StaleCopy& copy : copies) {
        const std::string text = copy.question();
        const Answer answer =
            showMessage_(this, Message{text, {}, Icon::Question, Buttons::RecoverOpenDiscardLater});
        if (answer == Answer::Discard) {
            RecoveryCopy::discard(copy);
        } else if (answer == Answer::Recover || answer == Answer::OpenUntitled) {
            WorkbookWindow* window = this;
            if (!path_.isEmpty() || isWindowModified() || model_->rowCount() > 0) {
                window = new WorkbookWindow(showMessage_);
                window->setAttribute(Qt::WA_DeleteOnClose);
                window->show();
            }
            window->restore(std::move(copy), answer == Answer::Recover);
        }
        // Otherwise the copy stays, for the next start, and its lock goes with `copy`.
    }
}

void WorkbookWindow::restore(StaleCopy&& copy, bool keepFile) {
    if (keepFile) {
        const QString path = copy.projectPath;
        load(std::move(copy.project), path, true);
        // Kept until this session saves or closes cleanly, in case it does not either.
        recovery_->adopt(std::move(copy));
        return;
    }
    load(building::Project(copy.project), {}, true);
    // The old copy goes only once the new project's own is on the disk.
    if (recovery_->write(model_->workbook().project())) {
        RecoveryCopy::discard(copy);
    }
}

void WorkbookWindow::closeEvent(QCloseEvent* event) {
    fields_->commit();
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    recovery_->remove();
    settings().setValue(QString::fromLatin1(kGeometryKey), saveGeometry());
    event->accept();
}

void WorkbookWindow::updateModified() {
    setWindowModified(unsavedWithoutEdits_ || !undo_.isClean());
    const std::string& name = model_->workbook().info().name;
    setWindowTitle((name.empty() ? QStringLiteral("未命名") : QString::fromStdString(name)) +
                   QStringLiteral("[*] — ") + programName());
}

void WorkbookWindow::about() {
    const std::string text = "建筑灭火器配置设计 " EXTCALC_VERSION
                             "\n\n按《建筑灭火器配置设计规范》GB 50140-2005 或 GBJ140-90，"
                             "逐个计算单元配置一幢建筑的灭火器，并汇总灭火器配置清单。";
    tell(text, Icon::None);
}

void WorkbookWindow::tell(const std::string& text, Icon icon) {
    showMessage_(this, Message{text, {}, icon, Buttons::Ok});
}

}  // namespace extcalc::workbook
