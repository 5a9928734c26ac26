// SPDX-License-Identifier: MIT
#pragma once

// The recovery copies of unsaved projects. Each open project has a slot of its own in
// the recovery folder, named after its file (or 未命名 and a number), and holds it with a
// lock file for as long as it is open: another window, or another running program, never
// writes over that copy nor takes it away. A copy whose lock nobody holds any more was
// left by a session that ended badly, and is offered at the next start.
//
// A slot is three files: NAME.exdesign (the project, readable as any project file),
// NAME.path (the project's own file, UTF-8, empty for a project never saved) and
// NAME.lock (Qt's QLockFile, holding the process that owns the slot).

#include <QDateTime>
#include <QObject>
#include <QString>
#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "extcalc/project.h"

class QLockFile;
class QTimer;

namespace extcalc::workbook {

// A copy nobody holds: what a crashed or killed session left behind. While this object
// lives, it holds the copy's lock, so no other program offers the same copy meanwhile.
struct StaleCopy {
    QString copyPath;
    // The project's own file; empty for a project that was never saved.
    QString projectPath;
    QDateTime written;
    building::Project project;
    std::shared_ptr<QLockFile> lock;

    // How the copy is named to the user: its project's file, or 未命名.
    [[nodiscard]] QString projectLabel() const;
    // The question put at start-up, naming the project, its file and the copy's time.
    [[nodiscard]] std::string question() const;
};

class RecoveryCopy final : public QObject {
    Q_OBJECT

  public:
    // What to write when the timer fires: the project while it has unsaved changes,
    // nothing while it has none.
    using Source = std::function<std::optional<building::Project>()>;

    RecoveryCopy(QString folder, std::chrono::milliseconds interval, Source source,
                 QObject* parent = nullptr);
    // Gives up the slot but leaves its copy: a window that goes away without a clean
    // close (the program ending badly) leaves what it had for the next start.
    ~RecoveryCopy() override;
    RecoveryCopy(const RecoveryCopy&) = delete;
    RecoveryCopy& operator=(const RecoveryCopy&) = delete;
    RecoveryCopy(RecoveryCopy&&) = delete;
    RecoveryCopy& operator=(RecoveryCopy&&) = delete;

    // $EXTINGUISHER_DESIGN_RECOVERY_DIR, or the program's data folder.
    static QString defaultFolder();
    // Copies that no running window holds, oldest first; each comes with its lock taken.
    static std::vector<StaleCopy> staleCopies(const QString& folder);
    // Removes a stale copy's files, then lets its lock go.
    static void discard(StaleCopy& copy);

    // The project now belongs to `projectPath` (empty: never saved). Whatever copy the
    // previous one had is removed: it was saved, or its changes were given up.
    void follow(const QString& projectPath);
    // Takes over the slot of a copy being recovered, which stays as it is until this
    // project is saved or closed cleanly.
    void adopt(StaleCopy&& copy);
    // Writes the project into this window's slot, taking one first if it has none.
    bool write(const building::Project& project);
    // Writes what the source gives, if anything; what the timer does.
    void writeNow();
    // Removes the copy and gives up the slot: the project was saved or closed cleanly.
    void remove();

    [[nodiscard]] QString copyPath() const;
    [[nodiscard]] QTimer* timer() const { return timer_; }

  private:
    bool takeSlot();

    QString folder_;
    Source source_;
    QString projectPath_;
    QString slot_;  // the slot's name without its suffixes; empty while none is held
    std::shared_ptr<QLockFile> lock_;
    QTimer* timer_ = nullptr;
};

}  // namespace extcalc::workbook
