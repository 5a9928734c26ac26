// SPDX-License-Identifier: MIT
#include "recovery.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QStandardPaths>
#include <QTimer>
#include <utility>

namespace extcalc::workbook {
namespace {

// More windows than anyone opens, and more copies left behind than ever pile up.
constexpr int kSlotLimit = 1000;

std::filesystem::path fsPath(const QString& path) {
    return {path.toStdU16String()};
}

QString copyFile(const QString& folder, const QString& slot) {
    return QDir(folder).filePath(slot + QStringLiteral(".exdesign"));
}

QString pathFile(const QString& folder, const QString& slot) {
    return QDir(folder).filePath(slot + QStringLiteral(".path"));
}

QString lockFile(const QString& folder, const QString& slot) {
    return QDir(folder).filePath(slot + QStringLiteral(".lock"));
}

// The n-th name a project may take: its file's name and a short digest of the whole
// path, so two projects of the same name in different folders never share a slot.
QString slotName(const QString& projectPath, int n) {
    if (projectPath.isEmpty()) {
        return QStringLiteral("未命名-%1").arg(n);
    }
    const QFileInfo file(projectPath);
    const QByteArray digest =
        QCryptographicHash::hash(file.absoluteFilePath().toUtf8(), QCryptographicHash::Sha1)
            .toHex()
            .left(8);
    QString name = file.completeBaseName() + QLatin1Char('-') + QString::fromLatin1(digest);
    if (n > 1) {
        name += QStringLiteral("-%1").arg(n);
    }
    return name;
}

// A lock nobody else holds: not by its age, only by whether its process still runs,
// since a window may stay open for days.
std::unique_ptr<QLockFile> tryLock(const QString& path) {
    auto lock = std::make_unique<QLockFile>(path);
    lock->setStaleLockTime(0);
    if (!lock->tryLock(0)) {
        return nullptr;
    }
    return lock;
}

void removeSlotFiles(const QString& folder, const QString& slot) {
    QFile::remove(copyFile(folder, slot));
    QFile::remove(pathFile(folder, slot));
}

}  // namespace

QString StaleCopy::projectLabel() const {
    return projectPath.isEmpty() ? QStringLiteral("未命名") : QFileInfo(projectPath).fileName();
}

std::string StaleCopy::question() const {
    const std::string name =
        project.info.name.empty() ? projectLabel().toStdString() : project.info.name;
    const std::string where = projectPath.isEmpty()
                                  ? std::string("从未保存过")
                                  : "文件 " + QDir::toNativeSeparators(projectPath).toStdString();
    return "上次没有正常退出，留下了工程“" + name + "”未保存的修改：\n" + where + "，" +
           std::to_string(project.units.size()) + " 个计算单元，" +
           written.toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString() +
           " 自动保存。\n\n"
           "恢复：继续编辑，保存时写回原来的文件。\n"
           "作为未命名打开：作为新工程打开，原来的文件不受影响。\n"
           "丢弃：删除这份副本。\n"
           "以后再说：留到下次启动时再问。";
}

RecoveryCopy::RecoveryCopy(QString folder, std::chrono::milliseconds interval, Source source,
                           QObject* parent)
    : QObject(parent), folder_(std::move(folder)), source_(std::move(source)) {
    timer_ = new QTimer(this);
    timer_->setObjectName(QStringLiteral("recoveryTimer"));
    timer_->setInterval(interval);
    connect(timer_, &QTimer::timeout, this, &RecoveryCopy::writeNow);
    timer_->start();
}

RecoveryCopy::~RecoveryCopy() = default;

QString RecoveryCopy::defaultFolder() {
    QString folder = qEnvironmentVariable("EXTINGUISHER_DESIGN_RECOVERY_DIR");
    if (folder.isEmpty()) {
        folder = QStandardPaths::writableLocation(QStandardPaths::AppDataLocation) +
                 QStringLiteral("/recovery");
    }
    return folder;
}

std::vector<StaleCopy> RecoveryCopy::staleCopies(const QString& folder) {
    std::vector<StaleCopy> copies;
    const QFileInfoList files = QDir(folder).entryInfoList(
        {QStringLiteral("*.exdesign")}, QDir::Files, QDir::Time | QDir::Reversed);
    for (const QFileInfo& file : files) {
        const QString slot = file.completeBaseName();
        std::unique_ptr<QLockFile> lock = tryLock(lockFile(folder, slot));
        if (!lock) {
            continue;  // a running window's
        }
        building::ProjectRead read = building::readProjectFile(fsPath(file.filePath()));
        if (!read.project) {
            // Copies are written whole or not at all: this one is not ours to offer.
            removeSlotFiles(folder, slot);
            continue;
        }
        StaleCopy copy;
        copy.copyPath = file.filePath();
        QFile origin(pathFile(folder, slot));
        if (origin.open(QIODevice::ReadOnly)) {
            copy.projectPath = QString::fromUtf8(origin.readAll());
        }
        copy.written = file.lastModified();
        copy.project = std::move(*read.project);
        copy.lock = std::move(lock);
        copies.push_back(std::move(copy));
    }
    return copies;
}

void RecoveryCopy::discard(StaleCopy& copy) {
    removeSlotFiles(QFileInfo(copy.copyPath).path(), QFileInfo(copy.copyPath).completeBaseName());
    copy.lock.reset();
}

void RecoveryCopy::follow(const QString& projectPath) {
    remove();
    projectPath_ = projectPath;
}

void RecoveryCopy::adopt(StaleCopy&& copy) {
    remove();
    folder_ = QFileInfo(copy.copyPath).path();
    slot_ = QFileInfo(copy.copyPath).completeBaseName();
    projectPath_ = copy.projectPath;
    lock_ = std::move(copy.lock);
}

bool RecoveryCopy::takeSlot() {
    QDir().mkpath(folder_);
    for (int n = 1; n <= kSlotLimit; ++n) {
        const QString slot = slotName(projectPath_, n);
        std::unique_ptr<QLockFile> lock = tryLock(lockFile(folder_, slot));
        // A copy nobody holds that is still there waits for the user's answer at a
        // later start ("以后再说"): it is not to be written over either.
        if (lock && !QFile::exists(copyFile(folder_, slot))) {
            slot_ = slot;
            lock_ = std::move(lock);
            return true;
        }
    }
    return false;
}

bool RecoveryCopy::write(const building::Project& project) {
    if (slot_.isEmpty() && !takeSlot()) {
        return false;
    }
    // The path before the project: a copy is never found without the file it belongs to.
    const QByteArray origin = projectPath_.toUtf8();
    if (building::writeFileSafely(
            fsPath(pathFile(folder_, slot_)),
            std::string_view(origin.constData(), static_cast<std::size_t>(origin.size())))) {
        return false;
    }
    return !building::writeProjectFile(fsPath(copyFile(folder_, slot_)), project);
}

void RecoveryCopy::writeNow() {
    if (const std::optional<building::Project> project = source_()) {
        // A failure is not worth interrupting the designer for: the next time tries again.
        static_cast<void>(write(*project));
    }
}

void RecoveryCopy::remove() {
    if (slot_.isEmpty()) {
        return;
    }
    removeSlotFiles(folder_, slot_);
    lock_.reset();
    slot_.clear();
}

QString RecoveryCopy::copyPath() const {
    return slot_.isEmpty() ? QString() : copyFile(folder_, slot_);
}

}  // namespace extcalc::workbook
