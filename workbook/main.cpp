// SPDX-License-Identifier: MIT
// extinguisher-design: the building workbook, a whole building's calculation units.
//
//   extinguisher-design [FILE.exdesign] [--quit-after-paint]
//
// --quit-after-paint prints the milliseconds from start to the table's first paint and
// quits: how the start-up with a large project is measured.

#include <QApplication>
#include <QElapsedTimer>
#include <QEvent>
#include <QIcon>
#include <QStringList>
#include <QTableView>
#include <QTimer>
#include <cstdio>

#include "application.h"
#include "workbook_window.h"

namespace {

// Reports the first paint of the table, then ends the program.
class FirstPaint final : public QObject {
  public:
    explicit FirstPaint(const QElapsedTimer& clock) : clock_(clock) {}

  protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Paint && !seen_) {
            seen_ = true;
            // After the paint itself, which runs once this returns.
            QTimer::singleShot(0, qApp, [this] {
                std::printf("first paint after %lld ms\n",
                            static_cast<long long>(clock_.elapsed()));
                std::fflush(stdout);
                QApplication::quit();
            });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    const QElapsedTimer& clock_;
    bool seen_ = false;
};

}  // namespace

int main(int argc, char** argv) {
    QElapsedTimer clock;
    clock.start();
    QApplication app(argc, argv);
    extcalc::ui::setUpApplication(app);
    QApplication::setApplicationName(QStringLiteral("extinguisher-design"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/extinguisher-calc-64.png")));

    QString file;
    bool quitAfterPaint = false;
    const QStringList args = QApplication::arguments();
    for (qsizetype i = 1; i < args.size(); ++i) {
        if (args[i] == QStringLiteral("--quit-after-paint")) {
            quitAfterPaint = true;
        } else if (args[i] == QStringLiteral("--help") || args[i] == QStringLiteral("-h")) {
            std::puts("用法：extinguisher-design [工程文件.exdesign]");
            return 0;
        } else {
            file = args[i];
        }
    }

    extcalc::workbook::WorkbookWindow window;
    FirstPaint firstPaint(clock);
    if (quitAfterPaint) {
        window.table()->viewport()->installEventFilter(&firstPaint);
    }
    if (!file.isEmpty()) {
        window.openFile(file);
    }
    window.show();
    if (!quitAfterPaint) {
        window.offerRecovery();
    }
    return QApplication::exec();
}
