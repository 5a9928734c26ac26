// SPDX-License-Identifier: MIT
#include "workbook_window.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QInputDialog>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QSettings>
#include <QSplitter>
#include <QTableView>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <set>
#include <sstream>

#include "cell_delegate.h"
#include "extcalc/file_errors.h"
#include "extcalc/project.h"
#include "extcalc/report.h"
#include "extcalc/report_pdf.h"
#include "extcalc/result_table.h"
#include "extcalc/unit_table.h"
#include "extcalc/workbook.h"
#include "form3.h"
#include "recovery.h"
#include "unit_model.h"

namespace extcalc::workbook {
namespace {

using building::Project;
using building::Standard;

constexpr int kRecentLimit = 8;
constexpr std::chrono::milliseconds kRecoveryInterval{60 * 1000};
constexpr int kWidestColumn = 260;
const char* const kRecentKey = "recentFiles";

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
    createActions();
    connect(model_, &UnitModel::totalsChanged, this, &WorkbookWindow::showTotals);
    connect(model_, &UnitModel::infoChanged, this, &WorkbookWindow::showInfo);
    connect(model_, &QAbstractItemModel::modelReset, this, &WorkbookWindow::fitColumns);
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

    showInfo();
    showTotals();
    fitColumns();
    resize(1240, 760);
}

WorkbookWindow::~WorkbookWindow() {
    // The fields lose the focus as they are destroyed, after this window's own members:
    // what they report then must not reach it.
    for (QLineEdit* edit : {name_, designUnit_, designer_, checker_, date_}) {
        disconnect(edit, nullptr, this, nullptr);
    }
    disconnect(&undo_, nullptr, this, nullptr);
}

void WorkbookWindow::createPanels() {
    auto* central = new QWidget(this);
    auto* layout = new QVBoxLayout(central);

    auto* info = new QGroupBox(QStringLiteral("工程信息"), central);
    info->setObjectName(QStringLiteral("infoPanel"));
    auto* grid = new QGridLayout(info);
    const auto field = [&](QLineEdit*& edit, const char* name, const QString& caption, int row,
                           int column) {
        edit = new QLineEdit(info);
        edit->setObjectName(QString::fromLatin1(name));
        edit->setAccessibleName(caption);
        auto* label = new QLabel(
            caption + QStringLiteral("(&") + QChar(u'1' + row * 3 + column) + QStringLiteral(")："),
            info);
        label->setBuddy(edit);
        grid->addWidget(label, row, column * 2);
        grid->addWidget(edit, row, column * 2 + 1);
        connect(edit, &QLineEdit::editingFinished, this, &WorkbookWindow::commitInfo);
    };
    field(name_, "projectName", QStringLiteral("工程名称"), 0, 0);
    field(designUnit_, "designUnit", QStringLiteral("设计单位"), 0, 1);
    field(date_, "projectDate", QStringLiteral("日期"), 0, 2);
    field(designer_, "designer", QStringLiteral("设计人"), 1, 0);
    field(checker_, "checker", QStringLiteral("校对人"), 1, 1);
    standard_ = new QComboBox(info);
    standard_->setObjectName(QStringLiteral("standard"));
    standard_->setAccessibleName(QStringLiteral("规范"));
    for (const Standard standard : {Standard::Gb50140_2005, Standard::Gbj140_90}) {
        const auto title = building::standardTitle(standard);
        standard_->addItem(QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size())),
                           static_cast<int>(standard));
    }
    auto* standardLabel = new QLabel(QStringLiteral("规范(&6)："), info);
    standardLabel->setBuddy(standard_);
    grid->addWidget(standardLabel, 1, 4);
    grid->addWidget(standard_, 1, 5);
    grid->setColumnStretch(1, 3);
    grid->setColumnStretch(3, 2);
    grid->setColumnStretch(5, 2);
    connect(standard_, &QComboBox::activated, this, &WorkbookWindow::chooseStandard);
    layout->addWidget(info);

    auto* splitter = new QSplitter(Qt::Vertical, central);
    table_ = new QTableView(splitter);
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

    auto* totalsBox = new QGroupBox(QStringLiteral("灭火器配置清单"), splitter);
    totalsBox->setObjectName(QStringLiteral("totalsPanel"));
    auto* totalsLayout = new QHBoxLayout(totalsBox);
    totals_ = new QTableWidget(0, 2, totalsBox);
    totals_->setObjectName(QStringLiteral("totals"));
    totals_->setAccessibleName(QStringLiteral("灭火器配置清单"));
    totals_->setHorizontalHeaderLabels({QStringLiteral("灭火器"), QStringLiteral("数量（具）")});
    totals_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    totals_->verticalHeader()->hide();
    totals_->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    totals_->horizontalHeader()->setSectionResizeMode(1, QHeaderView::ResizeToContents);
    grandTotal_ = new QLabel(totalsBox);
    grandTotal_->setObjectName(QStringLiteral("grandTotal"));
    grandTotal_->setAccessibleName(QStringLiteral("合计"));
    grandTotal_->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    grandTotal_->setWordWrap(true);
    grandTotal_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    // A list of a dozen models needs no more width than this; the rest shows the total.
    totals_->setMinimumWidth(380);
    totals_->setMaximumWidth(520);
    totalsLayout->addWidget(totals_, 1);
    totalsLayout->addWidget(grandTotal_, 1);
    splitter->addWidget(table_);
    splitter->addWidget(totalsBox);
    splitter->setStretchFactor(0, 1);
    splitter->setStretchFactor(1, 0);
    splitter->setSizes({560, 170});
    layout->addWidget(splitter, 1);
    setCentralWidget(central);

    setTabOrder(name_, designUnit_);
    setTabOrder(designUnit_, date_);
    setTabOrder(date_, designer_);
    setTabOrder(designer_, checker_);
    setTabOrder(checker_, standard_);
    setTabOrder(standard_, table_);
    setTabOrder(table_, totals_);
}

void WorkbookWindow::createActions() {
    const auto action = [this](QMenu* menu, const char* name, const QString& text,
                               const QList<QKeySequence>& keys, auto handler) {
        auto* act = new QAction(text, this);
        act->setObjectName(QString::fromLatin1(name));
        act->setShortcuts(keys);
        menu->addAction(act);
        connect(act, &QAction::triggered, this, handler);
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
    action(file, "actionNew", QStringLiteral("新建(&N)"), {QKeySequence::New},
           &WorkbookWindow::newProject);
    action(file, "actionOpen", QStringLiteral("打开(&O)…"), {QKeySequence::Open},
           &WorkbookWindow::chooseAndOpen);
    recentMenu_ = file->addMenu(QStringLiteral("最近打开的文件(&R)"));
    recentMenu_->setObjectName(QStringLiteral("recentMenu"));
    connect(recentMenu_, &QMenu::aboutToShow, this, &WorkbookWindow::fillRecentMenu);
    action(file, "actionSave", QStringLiteral("保存(&S)"), {QKeySequence::Save},
           &WorkbookWindow::save);
    action(file, "actionSaveAs", QStringLiteral("另存为(&A)…"),
           {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)}, &WorkbookWindow::saveAs);
    file->addSeparator();
    action(file, "actionImportCsv", QStringLiteral("导入 CSV(&I)…"), {},
           &WorkbookWindow::chooseAndImport);
    action(file, "actionExportCsv", QStringLiteral("导出 CSV(&E)…"), {},
           &WorkbookWindow::chooseAndExport);
    file->addSeparator();
    action(file, "actionExportReport", QStringLiteral("导出计算书(&R)…"), {},
           &WorkbookWindow::chooseAndExportReport);
    action(file, "actionPrint", QStringLiteral("打印计算书(&P)…"), {QKeySequence::Print},
           &WorkbookWindow::printReport);
    file->addSeparator();
    action(file, "actionQuit", QStringLiteral("退出(&X)"), {QKeySequence(Qt::CTRL | Qt::Key_Q)},
           &WorkbookWindow::close);

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
    onTable(action(edit, "actionCopy", QStringLiteral("复制行(&C)"), {QKeySequence::Copy},
                   &WorkbookWindow::copyRows));
    onTable(action(edit, "actionPaste", QStringLiteral("粘贴行(&P)"), {QKeySequence::Paste},
                   &WorkbookWindow::pasteRows));
    edit->addSeparator();
    action(edit, "actionAddUnit", QStringLiteral("添加计算单元(&A)"),
           {QKeySequence(Qt::Key_Insert), QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Equal),
            QKeySequence(Qt::CTRL | Qt::Key_Plus)},
           &WorkbookWindow::addUnit);
    action(edit, "actionDuplicateUnit", QStringLiteral("复制计算单元(&D)"),
           {QKeySequence(Qt::CTRL | Qt::Key_D)}, &WorkbookWindow::duplicateUnits);
    onTable(action(edit, "actionDeleteUnit", QStringLiteral("删除计算单元(&L)"),
                   {QKeySequence(Qt::Key_Delete)}, &WorkbookWindow::deleteUnits));
    // Alt+Down also opens a drop-down being edited in a cell.
    onTable(action(edit, "actionMoveUp", QStringLiteral("上移(&U)"),
                   {QKeySequence(Qt::ALT | Qt::Key_Up)}, [this] { moveCurrent(-1); }));
    onTable(action(edit, "actionMoveDown", QStringLiteral("下移(&W)"),
                   {QKeySequence(Qt::ALT | Qt::Key_Down)}, [this] { moveCurrent(1); }));

    QMenu* tools = menuBar()->addMenu(QStringLiteral("工具(&T)"));
    tools->setObjectName(QStringLiteral("toolsMenu"));
    action(tools, "actionClassic", QStringLiteral("单项计算（GBJ140-90）(&C)"), {}, [this] {
        auto* classic = new ui::form3(showMessage_);
        classic->setAttribute(Qt::WA_DeleteOnClose);
        classic->show();
    });

    QMenu* help = menuBar()->addMenu(QStringLiteral("帮助(&H)"));
    help->setObjectName(QStringLiteral("helpMenu"));
    action(help, "actionAbout", QStringLiteral("关于(&A)"), {}, &WorkbookWindow::about);
}

void WorkbookWindow::fitColumns() {
    table_->resizeColumnsToContents();
    for (int column = 0; column < model_->columnCount(); ++column) {
        // Long problem texts stay readable in full in the tooltip.
        table_->setColumnWidth(column,
                               std::clamp(table_->columnWidth(column) + 12, 64, kWidestColumn));
    }
    table_->setColumnWidth(0, std::max(table_->columnWidth(0), 180));
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

bool WorkbookWindow::saveAs() {
    QString path =
        QFileDialog::getSaveFileName(this, QStringLiteral("另存为"), path_, fileFilter());
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
    commitInfo();
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
    return true;
}

bool WorkbookWindow::openFile(const QString& path) {
    // Read before anything is asked or changed: a file that cannot be opened leaves the
    // window as it was.
    building::ProjectRead read = building::readProjectFile(fsPath(path));
    if (!read.project) {
        tell("无法打开“" + fileName(path) + "”：\n" +
             (read.error ? read.error->text() : std::string("文件无法读取")));
        return false;
    }
    if (!maybeSave()) {
        return false;
    }
    load(std::move(*read.project), path, false);
    rememberRecent(path);
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
    if (!maybeSave()) {
        return false;
    }
    load(std::move(*read.project), {}, true);
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
    return true;
}

bool WorkbookWindow::exportReport(const QString& path) {
    const report::Document document = report::buildReport(model_->workbook().project());
    const QString suffix = QFileInfo(path).suffix().toLower();
    if (suffix == QStringLiteral("pdf")) {
        const report::PdfWritten written = report::writePdf(document, fsPath(path));
        if (!written.ok) {
            tell("无法导出“" + fileName(path) + "”：\n" + written.error);
        }
        return written.ok;
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
    return true;
}

void WorkbookWindow::chooseAndExportReport() {
    const QString pdf = QStringLiteral("PDF 文件 (*.pdf)");
    const QString html = QStringLiteral("HTML 网页 (*.html)");
    QString suggested;
    if (!path_.isEmpty()) {
        suggested = QFileInfo(path_).path() + QDir::separator() +
                    QFileInfo(path_).completeBaseName() + QStringLiteral("-计算书.pdf");
    }
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

void WorkbookWindow::printReport() {
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
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("打开工程"), QFileInfo(path_).absolutePath(), fileFilter());
    if (!path.isEmpty()) {
        openFile(path);
    }
}

void WorkbookWindow::chooseAndImport() {
    const QStringList standards{standard_->itemText(0), standard_->itemText(1)};
    bool chosen = false;
    const QString picked = QInputDialog::getItem(
        this, QStringLiteral("导入 CSV"), QStringLiteral("表格中的计算单元按哪一本规范填写？"),
        standards, standard_->currentIndex(), false, &chosen);
    if (!chosen) {
        return;
    }
    const QString path = QFileDialog::getOpenFileName(this, QStringLiteral("导入 CSV"),
                                                      QFileInfo(path_).absolutePath(),
                                                      QStringLiteral("CSV 表格 (*.csv *.txt)"));
    if (!path.isEmpty()) {
        importCsv(path,
                  static_cast<Standard>(
                      standard_->itemData(static_cast<int>(standards.indexOf(picked))).toInt()));
    }
}

void WorkbookWindow::chooseAndExport() {
    QString suggested = path_;
    if (!suggested.isEmpty()) {
        suggested = QFileInfo(suggested).path() + QDir::separator() +
                    QFileInfo(suggested).completeBaseName() + QStringLiteral(".csv");
    }
    const QString path = QFileDialog::getSaveFileName(this, QStringLiteral("导出 CSV"), suggested,
                                                      QStringLiteral("CSV 表格 (*.csv)"));
    if (!path.isEmpty()) {
        exportCsv(path);
    }
}

void WorkbookWindow::rememberRecent(const QString& path) {
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
    commitInfo();
    if (!maybeSave()) {
        event->ignore();
        return;
    }
    recovery_->remove();
    event->accept();
}

// ---- rows

std::vector<int> WorkbookWindow::selectedRows() const {
    std::set<int> rows;
    for (const QModelIndex& index : table_->selectionModel()->selectedIndexes()) {
        rows.insert(index.row());
    }
    if (rows.empty() && table_->currentIndex().isValid()) {
        rows.insert(table_->currentIndex().row());
    }
    return {rows.begin(), rows.end()};
}

void WorkbookWindow::copyRows() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        return;
    }
    const std::vector<std::size_t> indices(rows.begin(), rows.end());
    QGuiApplication::clipboard()->setText(
        QString::fromStdString(building::tabText(model_->workbook(), indices, true)));
}

void WorkbookWindow::pasteRows() {
    const std::string text = QGuiApplication::clipboard()->text().toStdString();
    building::PastedRows pasted = building::readTabText(model_->workbook().standard(), text);
    if (!pasted.refusal.empty()) {
        tell(pasted.refusal);
        return;
    }
    const int at =
        table_->currentIndex().isValid() ? table_->currentIndex().row() + 1 : model_->rowCount();
    const auto count = static_cast<int>(pasted.units.size());
    model_->addUnits(at, std::move(pasted.units), QStringLiteral("粘贴"));
    table_->setCurrentIndex(model_->index(at, 0));
    table_->selectionModel()->select(
        QItemSelection(model_->index(at, 0),
                       model_->index(at + count - 1, model_->columnCount() - 1)),
        QItemSelectionModel::ClearAndSelect);
}

void WorkbookWindow::addUnit() {
    const int at =
        table_->currentIndex().isValid() ? table_->currentIndex().row() + 1 : model_->rowCount();
    model_->addUnits(at, {building::UnitCells(static_cast<std::size_t>(model_->inputCount()))},
                     QStringLiteral("添加计算单元"));
    table_->setFocus();
    table_->setCurrentIndex(model_->index(at, 0));
}

void WorkbookWindow::duplicateUnits() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        return;
    }
    std::vector<building::UnitCells> copies;
    std::ranges::transform(rows, std::back_inserter(copies), [this](int row) {
        return model_->workbook().cells(static_cast<std::size_t>(row));
    });
    const int at = rows.back() + 1;
    model_->addUnits(at, std::move(copies), QStringLiteral("复制计算单元"));
    table_->setCurrentIndex(model_->index(at, table_->currentIndex().column()));
}

void WorkbookWindow::deleteUnits() {
    const std::vector<int> rows = selectedRows();
    if (rows.empty()) {
        return;
    }
    const int column = std::max(table_->currentIndex().column(), 0);
    model_->removeUnits(rows);
    const int next = std::min(rows.front(), model_->rowCount() - 1);
    if (next >= 0) {
        table_->setCurrentIndex(model_->index(next, column));
    }
}

void WorkbookWindow::moveCurrent(int step) {
    const QModelIndex current = table_->currentIndex();
    if (!current.isValid()) {
        return;
    }
    const int to = current.row() + step;
    if (to < 0 || to >= model_->rowCount()) {
        return;
    }
    model_->moveUnit(current.row(), to);
    table_->setCurrentIndex(model_->index(to, current.column()));
}

// ---- project info and totals

void WorkbookWindow::commitInfo() {
    building::ProjectInfo info;
    info.name = name_->text().toStdString();
    info.designUnit = designUnit_->text().toStdString();
    info.designer = designer_->text().toStdString();
    info.checker = checker_->text().toStdString();
    info.date = date_->text().toStdString();
    model_->changeInfo(info, model_->workbook().standard());
}

void WorkbookWindow::chooseStandard(int position) {
    const auto chosen = static_cast<Standard>(standard_->itemData(position).toInt());
    const Standard current = model_->workbook().standard();
    if (chosen == current) {
        return;
    }
    if (model_->rowCount() > 0) {
        standard_->setCurrentIndex(standard_->findData(static_cast<int>(current)));
        tell("工程已有计算单元，不能改用" + std::string(building::standardCode(chosen)) +
             "：两本规范的危险等级、灭火级别和灭火器规格各不相同，已填的数值不能换算。\n"
             "请新建一个工程，按" +
             std::string(building::standardCode(chosen)) + "重新填写。");
        return;
    }
    model_->changeInfo(model_->workbook().info(), chosen);
}

void WorkbookWindow::showInfo() {
    const building::ProjectInfo& info = model_->workbook().info();
    const auto put = [](QLineEdit* edit, const std::string& text) {
        const QString value = QString::fromStdString(text);
        if (edit->text() != value) {
            edit->setText(value);
        }
    };
    put(name_, info.name);
    put(designUnit_, info.designUnit);
    put(designer_, info.designer);
    put(checker_, info.checker);
    put(date_, info.date);
    standard_->setCurrentIndex(
        standard_->findData(static_cast<int>(model_->workbook().standard())));
    updateModified();
}

void WorkbookWindow::showTotals() {
    const building::Workbook& workbook = model_->workbook();
    const auto used = workbook.totals().used();
    totals_->setRowCount(static_cast<int>(used.size()));
    int row = 0;
    for (const building::ModelKey& key : used) {
        const auto total = workbook.totals().totalText(key);
        auto* count = new QTableWidgetItem(
            QString::fromStdString(total.value_or(std::string(building::kTotalOutOfRange))));
        count->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        totals_->setItem(row, 0, new QTableWidgetItem(QString::fromStdString(key.label)));
        totals_->setItem(row, 1, count);
        ++row;
    }
    const auto grand = workbook.grandTotalText();
    QString text =
        QStringLiteral("合计：%1 具（%2 个计算单元）")
            .arg(QString::fromStdString(grand.value_or(std::string(building::kTotalOutOfRange))))
            .arg(workbook.size());
    if (workbook.failedCount() > 0) {
        text += QStringLiteral("\n") + QString::fromStdString(workbook.incompleteNote());
    }
    grandTotal_->setText(text);
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
