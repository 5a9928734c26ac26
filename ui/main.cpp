// SPDX-License-Identifier: MIT
// extinguisher-calc: the window of the fire-extinguisher configuration calculator.

#include <QApplication>
#include <QByteArray>
#include <QIcon>
#include <QString>
#include <QtGlobal>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <vector>

#include "application.h"
#include "form3.h"

namespace {

constexpr const char* kNoDisplay =
    "extinguisher-calc：无法打开窗口：没有可用的图形显示（DISPLAY 未设置）";
constexpr const char* kDisplayUnusable =
    "extinguisher-calc：无法打开窗口：图形显示无法使用（Qt 平台插件未能初始化）";

[[noreturn]] void giveUp(const char* reason) {
    std::fputs(reason, stderr);
    std::fputc('\n', stderr);
    std::fflush(stderr);
    // Qt would abort and leave a core dump for what is only a missing display.
    std::_Exit(1);
}

// Holds back Qt's messages while QApplication connects to the display. If that
// fails, Qt's own diagnostics and abort give way to one line and exit status 1;
// if it succeeds, the held messages are passed on as they would have been.
class StartupMessages {
  public:
    StartupMessages() : previous_(qInstallMessageHandler(&StartupMessages::hold)) {}
    StartupMessages(const StartupMessages&) = delete;
    StartupMessages& operator=(const StartupMessages&) = delete;
    StartupMessages(StartupMessages&&) = delete;
    StartupMessages& operator=(StartupMessages&&) = delete;
    ~StartupMessages() { release(); }

    void release() {
        if (previous_ == nullptr) {
            return;
        }
        qInstallMessageHandler(previous_);
        const std::scoped_lock guard(heldLock());
        for (const Held& message : held()) {
            const QMessageLogContext context(nullptr, 0, nullptr, message.category.constData());
            previous_(message.type, context, message.text);
        }
        held().clear();
        previous_ = nullptr;
    }

  private:
    struct Held {
        QtMsgType type;
        QByteArray category;
        QString text;
    };

    static std::vector<Held>& held() {
        static std::vector<Held> messages;
        return messages;
    }

    // The platform plugin may report from its own event thread.
    static std::mutex& heldLock() {
        static std::mutex lock;
        return lock;
    }

    static void hold(QtMsgType type, const QMessageLogContext& context, const QString& text) {
        if (type == QtFatalMsg) {
            giveUp(kDisplayUnusable);
        }
        const std::scoped_lock guard(heldLock());
        held().push_back({type, QByteArray(context.category), text});
    }

    QtMessageHandler previous_ = nullptr;
};

// Without any display, and no platform asked for, there is nothing to try.
bool noDisplayAtAll() {
#if defined(Q_OS_LINUX) || defined(Q_OS_FREEBSD)
    return qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") &&
           qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
#else
    return false;
#endif
}

}  // namespace

int main(int argc, char** argv) {
    if (noDisplayAtAll()) {
        giveUp(kNoDisplay);
    }
    StartupMessages startup;
    QApplication app(argc, argv);
    startup.release();

    extcalc::ui::setUpApplication(app);
    // One size is enough for the title bar and task switcher; the menu takes its icons
    // from the installed theme. Each extra size costs memory at every start.
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/extinguisher-calc-64.png")));
    // Lets Wayland compositors match the window to its menu entry and icon.
    QGuiApplication::setDesktopFileName(
        QStringLiteral("io.github.extinguisher_calc.ExtinguisherCalc"));
    extcalc::ui::form3 window;
    window.show();
    return QApplication::exec();
}
