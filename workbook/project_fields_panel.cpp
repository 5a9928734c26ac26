// SPDX-License-Identifier: MIT
#include "project_fields_panel.h"

#include <QComboBox>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <string>

#include "extcalc/project.h"
#include "unit_model.h"

namespace extcalc::workbook {
namespace {

using building::Standard;

// A project field's widget name: the file's key in camel case, the generic ones with
// "project" in front (projectName, projectNumber, projectDate), as tests and
// accessibility tools find them.
QString infoObjectName(std::string_view key) {
    QString name;
    bool upper = false;
    for (const char c : key) {
        if (c == '_') {
            upper = true;
        } else {
            name += upper ? QChar(c).toUpper() : QChar(c);
            upper = false;
        }
    }
    if (key == "name" || key == "number" || key == "date") {
        name = QStringLiteral("project") + name.front().toUpper() + name.mid(1);
    }
    return name;
}

}  // namespace

std::array<Standard, 2> offeredStandards() {
    return {Standard::Gb50140_2005, Standard::Gbj140_90};
}

QString standardCaption(Standard standard) {
    const auto title = building::standardTitle(standard);
    return QString::fromUtf8(title.data(), static_cast<qsizetype>(title.size()));
}

ProjectFieldsPanel::ProjectFieldsPanel(UnitModel* model, ui::MessageBoxFn showMessage,
                                       QWidget* parent)
    : QGroupBox(QStringLiteral("工程信息"), parent),
      model_(model),
      showMessage_(std::move(showMessage)) {
    setObjectName(QStringLiteral("infoPanel"));
    auto* grid = new QGridLayout(this);
    // The fields as the library lists them; the first nine get Alt+1 to Alt+9.
    constexpr int kPerRow = 3;
    int position = 0;
    for (const auto& field : building::projectInfoFields()) {
        auto* edit = new QLineEdit(this);
        edit->setObjectName(infoObjectName(field.key));
        QString caption =
            QString::fromUtf8(field.chinese.data(), static_cast<qsizetype>(field.chinese.size()));
        if (!field.unit.empty()) {
            caption +=
                QStringLiteral("（") +
                QString::fromUtf8(field.unit.data(), static_cast<qsizetype>(field.unit.size())) +
                QStringLiteral("）");
        }
        edit->setAccessibleName(caption);
        auto* label = new QLabel(
            caption +
                (position < 9 ? QStringLiteral("(&") + QChar(u'1' + position) + QStringLiteral(")")
                              : QString()) +
                QStringLiteral("："),
            this);
        label->setBuddy(edit);
        grid->addWidget(label, position / kPerRow, position % kPerRow * 2);
        grid->addWidget(edit, position / kPerRow, position % kPerRow * 2 + 1);
        connect(edit, &QLineEdit::editingFinished, this, &ProjectFieldsPanel::commit);
        edits_.push_back(edit);
        ++position;
    }
    standard_ = new QComboBox(this);
    standard_->setObjectName(QStringLiteral("standard"));
    standard_->setAccessibleName(QStringLiteral("规范"));
    for (const Standard standard : offeredStandards()) {
        standard_->addItem(standardCaption(standard), static_cast<int>(standard));
    }
    auto* standardLabel = new QLabel(QStringLiteral("规范(&0)："), this);
    standardLabel->setBuddy(standard_);
    grid->addWidget(standardLabel, position / kPerRow, position % kPerRow * 2);
    grid->addWidget(standard_, position / kPerRow, position % kPerRow * 2 + 1);
    for (int column = 0; column < kPerRow; ++column) {
        grid->setColumnStretch(column * 2 + 1, 1);
    }
    connect(standard_, &QComboBox::activated, this, &ProjectFieldsPanel::chooseStandard);
    connect(model_, &UnitModel::infoChanged, this, &ProjectFieldsPanel::showInfo);
    showInfo();
}

void ProjectFieldsPanel::commit() {
    building::ProjectInfo info;
    const auto fields = building::projectInfoFields();
    for (std::size_t i = 0; i < fields.size() && i < edits_.size(); ++i) {
        info.*fields[i].member = edits_[i]->text().toStdString();
    }
    model_->changeInfo(info, model_->workbook().standard());
}

void ProjectFieldsPanel::chooseStandard(int position) {
    const auto chosen = static_cast<Standard>(standard_->itemData(position).toInt());
    const Standard current = model_->workbook().standard();
    if (chosen == current) {
        return;
    }
    if (model_->rowCount() > 0) {
        standard_->setCurrentIndex(standard_->findData(static_cast<int>(current)));
        const std::string text =
            "工程已有计算单元，不能改用" + std::string(building::standardCode(chosen)) +
            "：两本规范的危险等级、灭火级别和灭火器规格各不相同，已填的数值不能换算。\n"
            "请新建一个工程，按" +
            std::string(building::standardCode(chosen)) + "重新填写。";
        showMessage_(window(), Message{text, {}, Icon::Critical, Buttons::Ok});
        return;
    }
    model_->changeInfo(model_->workbook().info(), chosen);
}

void ProjectFieldsPanel::showInfo() {
    const building::ProjectInfo& info = model_->workbook().info();
    const auto put = [](QLineEdit* edit, const std::string& text) {
        const QString value = QString::fromStdString(text);
        if (edit->text() != value) {
            edit->setText(value);
        }
    };
    const auto fields = building::projectInfoFields();
    for (std::size_t i = 0; i < fields.size() && i < edits_.size(); ++i) {
        put(edits_[i], info.*fields[i].member);
    }
    standard_->setCurrentIndex(
        standard_->findData(static_cast<int>(model_->workbook().standard())));
}

}  // namespace extcalc::workbook
