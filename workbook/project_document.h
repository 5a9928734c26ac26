// SPDX-License-Identifier: MIT
#pragma once

// The project as a file: where it lives, whether it holds changes not yet saved, its
// recovery copy, and every way in and out of it (new, open, save, recent files, import
// and export, the report, the plan image). It asks and tells through the message seam,
// so a test answers its questions as a designer would; the window only gives it the
// menus' commands and shows what it reports.

#include <QObject>
#include <QSettings>
#include <QString>
#include <QStringList>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

#include "extcalc/project.h"
#include "extcalc/units.h"
#include "message_box.h"

class QMenu;
class QUndoStack;
class QWidget;

namespace extcalc::workbook {

class RecoveryCopy;
struct StaleCopy;
class UnitModel;

// What outlives a session: the recent files, the folder last used, the window's place.
QSettings workbookSettings();

class ProjectDocument final : public QObject {
    Q_OBJECT

  public:
    // `window` is where the questions and the file dialogs appear, and owns the document.
    ProjectDocument(UnitModel* model, QUndoStack* undo, ui::MessageBoxFn showMessage,
                    QWidget* window);

    // Empty for a project never saved.
    [[nodiscard]] const QString& filePath() const { return path_; }
    // Changed since it was last saved or opened; a restored or imported project is, though
    // nothing has been undone or redone.
    [[nodiscard]] bool isModified() const;
    [[nodiscard]] RecoveryCopy* recovery() const { return recovery_; }

    // What the menus do once a file has been chosen; false when nothing was done.
    bool openFile(const QString& path);
    bool saveTo(const QString& path);
    bool importCsv(const QString& path, building::Standard standard);
    bool exportCsv(const QString& path);
    bool exportReport(const QString& path);
    // The plan of the unit in `row` (none: -1), PNG or SVG by the file's type.
    bool exportPlanImage(const QString& path, int row);
    [[nodiscard]] QString proposedSavePath() const;

    // Whether the project may be put aside: saved, or its changes given up.
    bool maybeSave();
    // maybeSave(), and then the recovery copy goes: the project was closed cleanly.
    bool close();

    // The menus' commands, which choose the file first.
    void newProject();
    bool save();
    bool saveAs();
    void chooseAndOpen();
    void chooseAndImport();
    void chooseAndExport();
    void chooseAndExportReport();
    void chooseAndExportPlan(int row);
    void printReport();
    // 最近打开的文件, filled afresh each time it opens: another window may have added one.
    void fillRecentMenu(QMenu* menu);
    // Newest first.
    static QStringList recentFiles();

    // Where a project taken back goes when this one is in use: the document of a new
    // window, which only the window can make.
    using DocumentElsewhere = std::function<ProjectDocument*()>;
    // Offers every copy that sessions which ended badly left behind, one question each.
    void offerRecovery(const DocumentElsewhere& elsewhere);

  signals:
    // isModified() may have changed.
    void modificationChanged();
    // The file is about to be written: what a field holds that it has not committed yet,
    // because it has not been left, must go in first.
    void aboutToWrite();
    // The row that should become current: the first of a project loaded, the first of
    // units imported.
    void rowToShow(int row);
    void statusMessage(const QString& text);

  private:
    // Where the file dialogs start next time.
    static void rememberFolder(const QString& path);
    static void rememberRecent(const QString& path);
    static void forgetRecent(const QString& path);
    static std::filesystem::path fsPath(const QString& path);
    // The file's name without its folder, as messages give it.
    static std::string fileName(const QString& path);
    // Names the units in error and asks whether to go on; true when there are none.
    bool reportDespiteErrors(std::string_view action);
    void load(building::Project project, const QString& path, bool unsaved);
    // A stale copy, under its project's file (`keepFile`) or as a new project.
    void restore(StaleCopy&& copy, bool keepFile);
    [[nodiscard]] bool inUse() const;
    // The project's name as questions give it.
    [[nodiscard]] std::string projectName() const;
    void tell(const std::string& text);

    UnitModel* model_;
    QUndoStack* undo_;
    ui::MessageBoxFn showMessage_;
    QWidget* window_;
    QString path_;
    bool unsavedWithoutEdits_ = false;
    RecoveryCopy* recovery_ = nullptr;
};

}  // namespace extcalc::workbook
