// SPDX-License-Identifier: MIT
// The floor for start-up figures: the least a Qt Widgets program does to show a window.
// The label is Chinese because every window of ours is, and finding a font with those
// glyphs is part of what any such window pays before its first frame.

#include <QApplication>
#include <QLabel>

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QLabel label(QStringLiteral("建筑灭火器配置计算"));
    label.show();
    return QApplication::exec();
}
