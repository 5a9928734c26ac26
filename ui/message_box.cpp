// SPDX-License-Identifier: MIT
#include "message_box.h"

#include <QMessageBox>
#include <QPushButton>
#include <QString>

#include "application.h"

namespace extcalc::ui {
namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QMessageBox::Icon toQt(Icon icon) {
    switch (icon) {
        case Icon::Question:
            return QMessageBox::Question;
        case Icon::Critical:
            return QMessageBox::Critical;
        case Icon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

Answer showModalMessageBox(QWidget* parent, const Message& message) {
    const QString title = message.title.empty() ? applicationTitle() : fromUtf8(message.title);
    const QMessageBox::StandardButtons buttons =
        message.buttons == Buttons::OkCancel ? QMessageBox::Ok | QMessageBox::Cancel
                                             : QMessageBox::StandardButtons(QMessageBox::Ok);
    QMessageBox box(toQt(message.icon), title, fromUtf8(message.text), buttons, parent);
    // The texts are fixed Chinese sentences, never markup.
    box.setTextFormat(Qt::PlainText);
    box.setDefaultButton(QMessageBox::Ok);
    box.exec();
    return box.clickedButton() == box.button(QMessageBox::Cancel) ? Answer::Cancel : Answer::Ok;
}

}  // namespace extcalc::ui
