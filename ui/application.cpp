// SPDX-License-Identifier: MIT
#include "application.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QStyleFactory>
#include <QTranslator>
#include <QtGlobal>

namespace extcalc::ui {

QString windowCaption() {
    return QStringLiteral("建筑灭火器配置设计计算程序");
}

QString applicationTitle() {
    return QStringLiteral("灭火器配置计算");
}

QFont windowFont() {
    QFont font(QStringLiteral("Noto Sans CJK SC"));
    font.setStyleHint(QFont::SansSerif);
    font.setPointSize(9);
    return font;
}

void setUpApplication(QApplication& app) {
    // Deliberately not QGuiApplication::setApplicationDisplayName: Qt would append
    // it to every window title ("注意 — 灭火器配置计算"), and the titles of the
    // window and of its message boxes are fixed texts. The message boxes put the
    // application title in themselves (showModalMessageBox).
    // The controls sit at fixed design positions; the layout was checked in one
    // style, and desktop styles with wider frames or margins would clip captions.
    if (auto* fusion = QStyleFactory::create(QStringLiteral("Fusion"))) {
        QApplication::setStyle(fusion);
    }
    QApplication::setFont(windowFont());

    // The program speaks Chinese only, so Qt's own texts (the buttons of message
    // boxes, the edit fields' context menus) must too, whatever the user's locale.
    auto* translator = new QTranslator(&app);
    const QString directory = QLibraryInfo::path(QLibraryInfo::TranslationsPath);
    if (translator->load(QStringLiteral("qtbase_zh_CN"), directory)) {
        QApplication::installTranslator(translator);
    } else {
        qWarning("extinguisher-calc：未找到 Qt 的中文翻译 qtbase_zh_CN.qm（%s），按钮将显示英文",
                 qUtf8Printable(directory));
    }
}

}  // namespace extcalc::ui
