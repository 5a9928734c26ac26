// SPDX-License-Identifier: MIT
#include "project_document.h"

#include <QAction>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMenu>
#include <QStandardPaths>
#include <QUndoStack>
#include <algorithm>
#include <chrono>
#include <filesystem>
#include <fstream>
#include <optional>

#include "extcalc/file_errors.h"
#include "extcalc/unit_table.h"
#include "extcalc/workbook.h"
#include "project_fields_panel.h"
#include "recovery.h"
#include "unit_model.h"

namespace extcalc::workbook {
namespace {

using building::Project;
using building::Standard;

constexpr int kRecentLimit = 8;
constexpr std::chrono::milliseconds kRecoveryInterval{60 * 1000};
const char* const kRecentKey = "recentFiles";
const char* const kFolderKey = "lastFolder";

QString fileFilter() {
    return QStringLiteral("工程文件 (*%1)")
        .arg(QString::fromUtf8(building::kProjectExtension.data()));
}

}  // namespace

QSettings workbookSettings() {
    return QSettings(QStringLiteral("extinguisher-calc"), QStringLiteral("extinguisher-design"));
}

std::filesystem::path ProjectDocument::fsPath(const QString& path) {
    return {path.toStdString()};
}

std::string ProjectDocument::fileName(const QString& path) {
    return QFileInfo(path).fileName().toStdString();
}

void ProjectDocument::rememberFolder(const QString& path) {
    workbookSettings().setValue(QString::fromLatin1(kFolderKey), QFileInfo(path).absolutePath());
}

void ProjectDocument::forgetRecent(const QString& path) {
    QStringList recent = recentFiles();
    recent.removeAll(QFileInfo(path).absoluteFilePath());
    workbookSettings().setValue(QString::fromLatin1(kRecentKey), recent);
}

void ProjectDocument::rememberRecent(const QString& path) {
    rememberFolder(path);
    QSettings store = workbookSettings();
    QStringList recent = store.value(QString::fromLatin1(kRecentKey)).toStringList();
    const QString absolute = QFileInfo(path).absoluteFilePath();
    recent.removeAll(absolute);
    recent.prepend(absolute);
    while (recent.size() > kRecentLimit) {
        recent.removeLast();
    }
    store.setValue(QString::fromLatin1(kRecentKey), recent);
}

ProjectDocument::ProjectDocument(UnitModel* model, QUndoStack* undo, ui::MessageBoxFn showMessage,
                                 QWidget* window)
    : QObject(window),
      model_(model),
      undo_(undo),
      showMessage_(std::move(showMessage)),
      window_(window) {
    connect(undo_, &QUndoStack::cleanChanged, this, &ProjectDocument::modificationChanged);
    recovery_ = new RecoveryCopy(
        RecoveryCopy::defaultFolder(), kRecoveryInterval,
        [this]() -> std::optional<Project> {
            if (!isModified()) {
                return std::nullopt;
            }
            return model_->workbook().project();
        },
        this);
}

bool ProjectDocument::isModified() const {
    return unsavedWithoutEdits_ || !undo_->isClean();
}

std::string ProjectDocument::projectName() const {
    return model_->workbook().info().name.empty() ? std::string("未命名")
                                                  : model_->workbook().info().name;
}

void ProjectDocument::tell(const std::string& text) {
    showMessage_(window_, Message{text, {}, Icon::Critical, Buttons::Ok});
}

// ---- life cycle

bool ProjectDocument::maybeSave() {
    if (!isModified()) {
        return true;
    }
    const std::string text = "工程“" + projectName() + "”有尚未保存的修改。\n是否保存？";
    switch (showMessage_(window_, Message{text, {}, Icon::Question, Buttons::SaveDiscardCancel})) {
        case Answer::Save:
            return save();
        case Answer::Discard:
            return true;
        default:
            return false;
    }
}

bool ProjectDocument::close() {
    if (!maybeSave()) {
        return false;
    }
    recovery_->remove();
    return true;
}

bool ProjectDocument::save() {
    return path_.isEmpty() ? saveAs() : saveTo(path_);
}

QString ProjectDocument::proposedSavePath() const {
    if (!path_.isEmpty()) {
        return path_;
    }
    QString folder = workbookSettings().value(QString::fromLatin1(kFolderKey)).toString();
    if (folder.isEmpty() || !QFileInfo(folder).isDir()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    }
    return QDir(folder).filePath(
        QString::fromStdString(building::proposedFileName(model_->workbook().info())));
}

bool ProjectDocument::saveAs() {
    emit aboutToWrite();
    QString path = QFileDialog::getSaveFileName(window_, QStringLiteral("另存为"),
                                                proposedSavePath(), fileFilter());
    if (path.isEmpty()) {
        return false;
    }
    const QString extension = QString::fromUtf8(building::kProjectExtension.data());
    if (!path.endsWith(extension, Qt::CaseInsensitive)) {
        path += extension;
    }
    return saveTo(path);
}

bool ProjectDocument::saveTo(const QString& path) {
    emit aboutToWrite();
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
    undo_->setClean();
    emit modificationChanged();
    rememberRecent(path);
    recovery_->follow(path);
    emit statusMessage(QStringLiteral("已保存到 %1").arg(QDir::toNativeSeparators(path)));
    return true;
}

bool ProjectDocument::openFile(const QString& path) {
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
    emit statusMessage(QStringLiteral("已打开 %1（%2 个计算单元）")
                           .arg(QDir::toNativeSeparators(path))
                           .arg(model_->rowCount()));
    return true;
}

void ProjectDocument::load(Project project, const QString& path, bool unsaved) {
    model_->reset(std::move(project));
    path_ = path;
    recovery_->follow(path);
    unsavedWithoutEdits_ = unsaved;
    undo_->setClean();
    emit modificationChanged();
    if (model_->rowCount() > 0) {
        emit rowToShow(0);
    }
}

void ProjectDocument::newProject() {
    if (maybeSave()) {
        load(Project{}, {}, false);
    }
}

void ProjectDocument::chooseAndOpen() {
    const QString path =
        QFileDialog::getOpenFileName(window_, QStringLiteral("打开工程"),
                                     QFileInfo(proposedSavePath()).absolutePath(), fileFilter());
    if (!path.isEmpty()) {
        openFile(path);
    }
}

QStringList ProjectDocument::recentFiles() {
    return workbookSettings().value(QString::fromLatin1(kRecentKey)).toStringList();
}

void ProjectDocument::fillRecentMenu(QMenu* menu) {
    menu->clear();
    const QStringList recent = recentFiles();
    int number = 0;
    for (const QString& path : recent) {
        ++number;
        auto* act = menu->addAction(QStringLiteral("&%1 %2").arg(number).arg(path));
        act->setObjectName(QStringLiteral("recent%1").arg(number));
        connect(act, &QAction::triggered, this, [this, path] { openFile(path); });
    }
    if (recent.isEmpty()) {
        menu->addAction(QStringLiteral("（无）"))->setEnabled(false);
    }
}

// ---- recovery

bool ProjectDocument::inUse() const {
    return !path_.isEmpty() || isModified() || model_->rowCount() > 0;
}

void ProjectDocument::offerRecovery(const DocumentElsewhere& elsewhere) {
    std::vector<StaleCopy> copies = RecoveryCopy::staleCopies(RecoveryCopy::defaultFolder());
    for (StaleCopy& copy : copies) {
        const std::string text = copy.question();
        const Answer answer = showMessage_(
            window_, Message{text, {}, Icon::Question, Buttons::RecoverOpenDiscardLater});
        if (answer == Answer::Discard) {
            RecoveryCopy::discard(copy);
        } else if (answer == Answer::Recover || answer == Answer::OpenUntitled) {
            ProjectDocument* into = inUse() ? elsewhere() : this;
            into->restore(std::move(copy), answer == Answer::Recover);
        }
        // Otherwise the copy stays, for the next start, and its lock goes with `copy`.
    }
}

void ProjectDocument::restore(StaleCopy&& copy, bool keepFile) {
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

// ---- import

void ProjectDocument::chooseAndImport() {
    const auto standards = offeredStandards();
    QStringList captions;
    for (const Standard standard : standards) {
        captions.append(standardCaption(standard));
    }
    const auto current = static_cast<int>(
        std::ranges::find(standards, model_->workbook().standard()) - standards.begin());
    bool chosen = false;
    const QString picked = QInputDialog::getItem(
        window_, QStringLiteral("导入 CSV"), QStringLiteral("表格中的计算单元按哪一本规范填写？"),
        captions, current, false, &chosen);
    if (!chosen) {
        return;
    }
    const QString path = QFileDialog::getOpenFileName(window_, QStringLiteral("导入 CSV"),
                                                      QFileInfo(proposedSavePath()).absolutePath(),
                                                      QStringLiteral("CSV 表格 (*.csv *.txt)"));
    if (!path.isEmpty()) {
        importCsv(path, standards.at(static_cast<std::size_t>(captions.indexOf(picked))));
    }
}

bool ProjectDocument::importCsv(const QString& path, Standard standard) {
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
    const bool empty = model_->rowCount() == 0 && !isModified();
    if (!empty && standard == model_->workbook().standard()) {
        const std::string text = "“" + fileName(path) + "”中有 " + std::to_string(count) +
                                 " 个计算单元。\n是否把它们添加到当前工程“" + projectName() +
                                 "”的末尾？\n选择“是”添加（可以一步撤销），选择“否”新建一个工程。";
        const Answer answer =
            showMessage_(window_, Message{text, {}, Icon::Question, Buttons::YesNoCancel});
        if (answer == Answer::Yes) {
            const int at = model_->rowCount();
            model_->addUnits(at, std::move(read.project->units), QStringLiteral("导入 CSV"));
            emit rowToShow(at);
            emit statusMessage(done);
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
        if (showMessage_(window_, Message{text, {}, Icon::Question, Buttons::OkCancel}) !=
            Answer::Ok) {
            return false;
        }
    }
    if (!maybeSave()) {
        return false;
    }
    load(std::move(*read.project), {}, true);
    emit statusMessage(done);
    return true;
}

}  // namespace extcalc::workbook
