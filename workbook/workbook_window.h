// SPDX-License-Identifier: MIT
#pragma once

// The workbook: a whole building's calculation units in one table, the extinguishers
// they add up to, and the project's file. It adapts the building library and holds no
// rule of its own. The window builds the panels and the menus and connects them; the
// parts do the work: ProjectDocument the file's life cycle, RowCommands the commands on
// rows, UnitModel the table's data, and the panels what they show.

#include <QMainWindow>
#include <QString>
#include <QUndoStack>

#include "extcalc/project.h"
#include "extcalc/units.h"
#include "message_box.h"

class QLabel;
class QMenu;
class QTableView;

namespace extcalc::workbook {

class PlanPane;
class ProblemsPane;
class ProjectDocument;
class ProjectFieldsPanel;
class RecoveryCopy;
class RowCommands;
class TotalsPanel;
class UnitModel;

// The window's name, in the title and the About box.
QString programName();

class WorkbookWindow final : public QMainWindow {
    Q_OBJECT

  public:
    explicit WorkbookWindow(ui::MessageBoxFn showMessage = ui::showModalMessageBox,
                            QWidget* parent = nullptr);
    ~WorkbookWindow() override;
    WorkbookWindow(const WorkbookWindow&) = delete;
    WorkbookWindow& operator=(const WorkbookWindow&) = delete;
    WorkbookWindow(WorkbookWindow&&) = delete;
    WorkbookWindow& operator=(WorkbookWindow&&) = delete;

    // What the menus do once a file has been chosen; false when nothing was done.
    bool openFile(const QString& path);
    bool saveTo(const QString& path);
    bool importCsv(const QString& path, building::Standard standard);
    bool exportCsv(const QString& path);
    // The calculation report, PDF or HTML by the file's type.
    bool exportReport(const QString& path);
    // The plan of the unit in the plan pane, PNG or SVG by the file's type.
    bool exportPlanImage(const QString& path);
    // Where 另存为 proposes to save: the file itself once it has one, else the project's
    // name in the folder last used.
    [[nodiscard]] QString proposedSavePath() const;

    // Offers every copy that sessions which ended badly left behind, one question each;
    // called once the window is shown. The first project taken back comes into this
    // window if it holds nothing yet, the others into windows of their own.
    void offerRecovery();
    // 最近打开的文件, newest first.
    static QStringList recentFiles();

    [[nodiscard]] UnitModel* model() const { return model_; }
    [[nodiscard]] QTableView* table() const { return table_; }
    [[nodiscard]] PlanPane* planPane() const { return planPane_; }
    [[nodiscard]] const QString& filePath() const;
    [[nodiscard]] RecoveryCopy* recovery() const;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void createPanels();
    void createActions();
    void createToolBar();
    void fitColumns();
    // Widens the columns of rows whose texts changed, never narrows them while typing.
    void growColumns(int firstRow, int lastRow);
    void fitFirstStart();
    void openChoices();
    void showEmptyHint();
    void followHorizontalScroll();
    void status(const QString& text);
    void updateModified();
    void about();

    ui::MessageBoxFn showMessage_;
    QUndoStack undo_;
    UnitModel* model_ = nullptr;
    ProjectDocument* document_ = nullptr;
    RowCommands* rows_ = nullptr;

    QTableView* table_ = nullptr;
    PlanPane* planPane_ = nullptr;
    ProjectFieldsPanel* fields_ = nullptr;
    ProblemsPane* problems_ = nullptr;
    TotalsPanel* totals_ = nullptr;
    QLabel* emptyHint_ = nullptr;
    QMenu* recentMenu_ = nullptr;
};

}  // namespace extcalc::workbook
