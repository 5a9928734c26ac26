// SPDX-License-Identifier: MIT
// A workbook that makes an unsaved edit, waits for its recovery copy and then for its end:
// the program the recovery test kills.
//
//   extcalc_recovery_victim PROJECT ROW COLUMN TEXT
//
// Prints the copy's path on a line once it is on the disk.

#include <QApplication>
#include <QFileInfo>
#include <QLineEdit>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <cstdio>
#include <string>

#include "recovery.h"
#include "unit_model.h"
#include "user_input.h"
#include "workbook_window.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    if (argc != 5) {
        std::fputs("usage: extcalc_recovery_victim PROJECT ROW COLUMN TEXT\n", stderr);
        return 2;
    }
    extcalc::workbook::WorkbookWindow window(
        [](QWidget*, const extcalc::Message&) { return extcalc::Answer::Ok; });
    window.show();
    if (!window.openFile(QString::fromLocal8Bit(argv[1]))) {
        return 1;
    }
    window.recovery()->timer()->setInterval(20);
    QTableView* table = window.table();
    table->setFocus();
    table->setCurrentIndex(window.model()->index(std::stoi(argv[2]), std::stoi(argv[3])));
    QTest::keyClick(table, Qt::Key_F2);
    auto* editor = table->findChild<QLineEdit*>(QStringLiteral("cellEditor"));
    if (editor == nullptr) {
        return 1;
    }
    extcalc::test::typeInto(editor, QString::fromLocal8Bit(argv[4]));
    QTest::keyClick(editor, Qt::Key_Return);

    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        const QString copy = window.recovery()->copyPath();
        if (!copy.isEmpty() && QFileInfo::exists(copy)) {
            poll.stop();
            std::printf("%s\n", copy.toLocal8Bit().constData());
            std::fflush(stdout);
        }
    });
    poll.start(10);
    return QApplication::exec();
}
