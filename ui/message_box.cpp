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

QMessageBox::StandardButtons toQt(Buttons buttons) {
    switch (buttons) {
        case Buttons::OkCancel:
            return QMessageBox::Ok | QMessageBox::Cancel;
        case Buttons::YesNo:
            return QMessageBox::Yes | QMessageBox::No;
        case Buttons::YesNoCancel:
            return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
        case Buttons::SaveDiscardCancel:
            return QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel;
        case Buttons::RecoverOpenDiscardLater:
            return QMessageBox::NoButton;  // buttons of their own, below
        case Buttons::Ok:
            break;
    }
    return QMessageBox::Ok;
}

Answer fromQt(QMessageBox::StandardButton button) {
    switch (button) {
        case QMessageBox::Cancel:
            return Answer::Cancel;
        case QMessageBox::Yes:
            return Answer::Yes;
        case QMessageBox::No:
            return Answer::No;
        case QMessageBox::Save:
            return Answer::Save;
        case QMessageBox::Discard:
            return Answer::Discard;
        default:
            return Answer::Ok;
    }
}

}  // namespace

Answer showModalMessageBox(QWidget* parent, const Message& message) {
    const QString title = message.title.empty() ? applicationTitle() : fromUtf8(message.title);
    QMessageBox box(toQt(message.icon), title, fromUtf8(message.text), toQt(message.buttons),
                    parent);
    // The texts are fixed Chinese sentences, never markup.
    box.setTextFormat(Qt::PlainText);
    const bool asking = message.buttons == Buttons::YesNo;
    const bool choosing = message.buttons == Buttons::YesNoCancel;
    const bool closing = message.buttons == Buttons::SaveDiscardCancel;
    box.setDefaultButton(asking || choosing ? QMessageBox::Yes
                         : closing          ? QMessageBox::Save
                                            : QMessageBox::Ok);
    // Escape, or the window's close button, means the cautious answer.
    if (asking) {
        box.setEscapeButton(QMessageBox::No);
    } else if (closing || choosing || message.buttons == Buttons::OkCancel) {
        box.setEscapeButton(QMessageBox::Cancel);
    }
    // Qt's own Chinese for Discard reads as throwing the project away; the question is
    // only whether to save it.
    if (closing) {
        box.button(QMessageBox::Discard)->setText(QStringLiteral("不保存"));
    }
    if (message.buttons == Buttons::RecoverOpenDiscardLater) {
        QPushButton* recover = box.addButton(QStringLiteral("恢复"), QMessageBox::AcceptRole);
        QPushButton* untitled =
            box.addButton(QStringLiteral("作为未命名打开"), QMessageBox::ActionRole);
        QPushButton* discard = box.addButton(QStringLiteral("丢弃"), QMessageBox::DestructiveRole);
        // Escape keeps the copy for the next start: the cautious answer.
        QPushButton* later = box.addButton(QStringLiteral("以后再说"), QMessageBox::RejectRole);
        box.setDefaultButton(recover);
        box.setEscapeButton(later);
        box.exec();
        const QAbstractButton* clicked = box.clickedButton();
        return clicked == recover    ? Answer::Recover
               : clicked == untitled ? Answer::OpenUntitled
               : clicked == discard  ? Answer::Discard
                                     : Answer::Cancel;
    }
    box.exec();
    return fromQt(box.standardButton(box.clickedButton()));
}

}  // namespace extcalc::ui
