// SPDX-License-Identifier: MIT
#include "form3.h"

#include <utility>

#include <QAction>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QLocale>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QRadioButton>
#include <algorithm>
#include <array>
#include <cstddef>
#include <string_view>

#include "application.h"
#include "caption.h"
#include "drop_down_combo.h"
#include "frame_box.h"
#include "reference_texts.h"
#include "result_box.h"
#include "twips.h"

namespace extcalc::ui {
namespace {

QString fromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

// Design sizes, in twips, of the window's client area below the menu bar.
constexpr int kClientWidth = 7380;
constexpr int kClientHeight = 6510;

template <class Widget>
Widget* place(Widget* widget, const char* name, QRect geometry) {
    widget->setObjectName(QString::fromLatin1(name));
    widget->setGeometry(geometry);
    return widget;
}

QRadioButton* option(QWidget* frame, const char* name, const char* caption, QRect geometry) {
    return place(new QRadioButton(QString::fromUtf8(caption), frame), name, geometry);
}

Caption* label(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    return place(new Caption(QString::fromUtf8(caption), parent), name, geometry);
}

QLineEdit* textBox(QWidget* parent, const char* name, const char* accessibleName, QRect geometry) {
    auto* result = place(new QLineEdit(QStringLiteral("0"), parent), name, geometry);
    result->setAccessibleName(QString::fromUtf8(accessibleName));
    return result;
}

// The results are the program's to write; the user may still select and copy them.
ResultBox* resultBox(QWidget* parent, const char* name, const char* accessibleName,
                     QRect geometry) {
    auto* result = place(new ResultBox(parent), name, geometry);
    result->setText(QStringLiteral("0"));
    result->setAccessibleName(QString::fromUtf8(accessibleName));
    return result;
}

DropDownCombo* comboBox(QWidget* parent, const char* name, const char* accessibleName,
                        QRect geometry) {
    auto* result = place(new DropDownCombo(parent), name, geometry);
    result->setAccessibleName(QString::fromUtf8(accessibleName));
    // The edit field is what has the keyboard focus while the user types.
    result->lineEdit()->setAccessibleName(result->accessibleName());
    return result;
}

QPushButton* button(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* result = place(new QPushButton(QString::fromUtf8(caption), parent), name, geometry);
    // Enter and Esc belong to whatever control has the focus, not to a button.
    result->setAutoDefault(false);
    result->setDefault(false);
    return result;
}

QGroupBox* frame(QWidget* parent, const char* name, const char* caption, QRect geometry) {
    auto* result = place(new FrameBox(QString::fromUtf8(caption), parent), name, geometry);
    result->setAccessibleName(result->title());
    return result;
}

QMenu* named(QMenu* menu, const char* name) {
    menu->setObjectName(QString::fromLatin1(name));
    menu->menuAction()->setObjectName(QString::fromLatin1(name));
    return menu;
}

QMenu* submenu(QMenuBar* bar, const char* name, const char* caption) {
    return named(bar->addMenu(QString::fromUtf8(caption)), name);
}

QMenu* submenu(QMenu* parent, const char* name, const char* caption) {
    return named(parent->addMenu(QString::fromUtf8(caption)), name);
}

QAction* entry(QMenu* menu, const char* name, const char* caption) {
    QAction* action = menu->addAction(QString::fromUtf8(caption));
    action->setObjectName(QString::fromLatin1(name));
    return action;
}

}  // namespace

// What the calculation reads from and writes to the window.
class form3::Ops final : public WindowOps {
  public:
    explicit Ops(form3& window) : window_(window) {}

    [[nodiscard]] int selectedPosition(ListId list) const override {
        switch (list) {
            case ListId::Combo2:
                return window_.Combo2->selectedPosition();
            case ListId::Combo3:
                return window_.Combo3->selectedPosition();
            case ListId::Combo4:
                return window_.Combo4->selectedPosition();
        }
        return -1;
    }

    [[nodiscard]] std::string text(TextId box) const override {
        return this->box(box)->text().toStdString();
    }

    void setText(TextId box, std::string_view text) override {
        QLineEdit* edit = this->box(box);
        edit->setText(fromUtf8(text));
        // Scrolled through with the focus, a result longer than its narrow box
        // starts at its leading digits: the tail "6666667" of 66.6666666666667
        // would read as millions. At rest the box shows it whole or elided.
        edit->setCursorPosition(0);
    }

    Answer showMessage(const Message& message) override {
        return window_.showMessage_(&window_, message);
    }

    [[nodiscard]] std::string decimalSeparator() const override {
        return QLocale().decimalPoint().toStdString();
    }

  private:
    [[nodiscard]] QLineEdit* box(TextId id) const {
        switch (id) {
            case TextId::Text1:
                return window_.Text1;
            case TextId::Text2:
                return window_.Text2;
            case TextId::Text3:
                return window_.Text3;
            case TextId::Text4:
                break;
        }
        return window_.Text4;
    }

    form3& window_;
};

form3::form3(MessageBoxFn showMessage, QWidget* parent)
    : QMainWindow(parent),
      showMessage_(std::move(showMessage)),
      ops_(std::make_unique<Ops>(*this)) {
    setObjectName(QStringLiteral("form3"));
    setWindowTitle(windowCaption());
    setFont(windowFont());

    client_ = new QWidget(this);
    client_->setObjectName(QStringLiteral("client"));
    client_->setFixedSize(px(kClientWidth), px(kClientHeight));
    setCentralWidget(client_);

    createControls();
    createMenus();
    fitHeights();
    setTabOrder();
    connectHandlers();

    // The window keeps the designed size: nothing in it would follow a resize.
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    Form_Load();
    Combo2->setFocus();
}

form3::~form3() = default;

void form3::createControls() {
    QWidget* w = client_;
    Frame2 = frame(w, "Frame2", "火灾类别", twipsRect(600, 360, 3015, 735));
    Option6 = option(Frame2, "Option6", "D", twipsRect(1920, 360, 615, 255));
    Option5 = option(Frame2, "Option5", "C", twipsRect(1320, 360, 615, 255));
    Option4 = option(Frame2, "Option4", "B", twipsRect(720, 360, 495, 255));
    Option3 = option(Frame2, "Option3", "A", twipsRect(120, 360, 495, 255));
    Frame1 = frame(w, "Frame1", "是否地下建筑", twipsRect(4080, 2160, 2415, 615));
    Option1 = option(Frame1, "Option1", "是", twipsRect(360, 240, 615, 255));
    Option2 = option(Frame1, "Option2", "否", twipsRect(1440, 240, 615, 255));
    Command2 = button(w, "Command2", "退出", twipsRect(3720, 5280, 2175, 495));
    Command1 = button(w, "Command1", "计算", twipsRect(720, 5280, 2055, 495));
    Text4 = resultBox(w, "Text4", "需要灭火器数量N", twipsRect(2160, 4440, 735, 495));
    Text3 = resultBox(w, "Text3", "修正后灭火级别Q", twipsRect(5160, 3720, 855, 375));
    Text2 = resultBox(w, "Text2", "灭火级别Q1", twipsRect(2160, 3720, 735, 375));
    Combo4 = comboBox(w, "Combo4", "采用灭火器类型", twipsRect(600, 2520, 3255, 300));
    Combo3 = comboBox(w, "Combo3", "修正系数", twipsRect(3840, 1560, 2655, 300));
    Text1 = textBox(w, "Text1", "建筑面积", twipsRect(2160, 1560, 735, 375));
    Combo2 = comboBox(w, "Combo2", "火灾危险等级", twipsRect(3840, 720, 2655, 300));
    Label10 = label(w, "Label10", "火灾危险等级", twipsRect(3840, 480, 1455, 255));
    Label9 = label(w, "Label9", "修正系数", twipsRect(3840, 1320, 1575, 255));
    Label8 = label(w, "Label8", "采用灭火器类型", twipsRect(600, 2280, 2295, 255));
    Label5 = label(w, "Label5", "计算结果：", twipsRect(720, 3240, 1575, 255));

    Line1 = new QFrame(w);
    Line1->setObjectName(QStringLiteral("Line1"));
    Line1->setFrameShape(QFrame::HLine);
    Line1->setFrameShadow(QFrame::Sunken);
    Line1->setGeometry(px(240), px(3000), px(6240) - px(240), 2);

    Label4 = label(w, "Label4", "需要灭火器数量N=", twipsRect(480, 4560, 1575, 255));
    Label3 = label(w, "Label3", "修正后灭火级别Q=", twipsRect(3360, 3840, 1575, 255));
    Label2 = label(w, "Label2", "灭火级别Q1=", twipsRect(600, 3840, 1095, 255));
    Label1 = label(w, "Label1", "建筑面积S=  平方米", twipsRect(600, 1560, 1455, 375));

    // Screen readers on Linux announce a list by the label it is labelled by, not by
    // its accessible name. The captions hold no "&", so this adds no access keys.
    const std::pair<Caption*, QWidget*> labelled[] = {
        {Label10, Combo2}, {Label9, Combo3}, {Label8, Combo4}, {Label1, Text1},
        {Label2, Text2},   {Label3, Text3},  {Label4, Text4}};
    for (const auto& [caption, control] : labelled) {
        caption->setBuddy(control);
    }
}

void form3::createMenus() {
    QMenuBar* bar = menuBar();
    danger = submenu(bar, "danger", "危险等级分类");
    civil = submenu(danger, "civil", "民用建筑");
    q = entry(civil, "q", "轻危险级");
    z = entry(civil, "z", "中危险级");
    y = entry(civil, "y", "严重危险级");

    ch = submenu(bar, "ch", "灭火器类型选择");
    al = submenu(ch, "al", "A类火灾");
    s = entry(al, "s", "选用水型、泡沫、磷酸铵盐干粉、卤代烷型灭火器");
    bl = submenu(ch, "bl", "B类火灾");
    g = entry(bl, "g", "选用干粉、泡沫、卤代烷、二氧化碳灭火器");
    cl = submenu(ch, "cl", "C类火灾");
    gf = entry(cl, "gf", "选用干粉、卤代烷、二氧化碳灭火器");
    dl = submenu(ch, "dl", "D类火灾");
    xt = entry(dl, "xt", "需同当地消防部门协商");

    zl = submenu(bar, "zl", "帮助");
    cx = submenu(zl, "cx", "程序设计依据");
    gfa = entry(cx, "gfa", "《建筑灭火器配置设计规范》GBJ140-90");
    help = entry(zl, "help", "使用说明");
    sjr = entry(zl, "sjr", "关于本程序");
}

// Where the font needs more height than the design gives (a combo box follows
// its font, a caption may wrap to a second line), the control keeps its place
// and grows downwards; the design leaves room below each of them.
void form3::fitHeights() {
    for (DropDownCombo* combo : {Combo2, Combo3, Combo4}) {
        combo->resize(combo->width(), std::max(combo->height(), combo->sizeHint().height()));
    }
    for (Caption* caption : {Label10, Label9, Label8, Label5, Label4, Label3, Label2, Label1}) {
        caption->resize(caption->width(), std::max(caption->height(), caption->neededHeight()));
    }
}

void form3::setTabOrder() {
    const std::array<QWidget*, 15> order{Combo2,  Text1,   Combo3,   Combo4,   Text2,
                                         Text3,   Text4,   Command1, Command2, Option2,
                                         Option1, Option3, Option4,  Option5,  Option6};
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

void form3::connectHandlers() {
    // toggled(true), not clicked: an option chosen by mouse, Space or the arrow
    // keys runs its handler once, and choosing the option already chosen does
    // not empty the lists again.
    const auto onSelect = [this](QRadioButton* button, void (form3::*handler)()) {
        connect(button, &QRadioButton::toggled, this, [this, handler](bool checked) {
            if (checked) {
                (this->*handler)();
            }
        });
    };
    onSelect(Option3, &form3::Option3_Click);
    onSelect(Option4, &form3::Option4_Click);
    onSelect(Option5, &form3::Option5_Click);
    onSelect(Option6, &form3::Option6_Click);
    onSelect(Option1, &form3::Option1_Click);
    onSelect(Option2, &form3::Option2_Click);

    connect(Command1, &QPushButton::clicked, this, &form3::Command1_Click);
    connect(Command2, &QPushButton::clicked, this, &form3::Command2_Click);

    connect(q, &QAction::triggered, this, &form3::q_Click);
    connect(z, &QAction::triggered, this, &form3::z_Click);
    connect(y, &QAction::triggered, this, &form3::y_Click);
    connect(sjr, &QAction::triggered, this, &form3::sjr_Click);
}

void form3::chooseClass(FireClass fireClass) {
    const ClassGroup* group = chooseFireClass(*this, fireClass, *ops_);
    if (group == nullptr) {
        return;
    }
    Combo2->clearList();
    for (const HazardItem& item : group->hazards) {
        Combo2->appendItem(fromUtf8(item.text));
    }
    Combo4->clearList();
    for (const ExtinguisherItem& item : group->extinguishers) {
        Combo4->appendItem(fromUtf8(item.text));
    }
}

void form3::showReference(const std::string& text) {
    showMessage_(this, Message{text, {}, Icon::None, Buttons::Ok});
}

void form3::Form_Load() {
    for (const CorrectionItem& item : correctionList()) {
        Combo3->appendItem(fromUtf8(item.text));
    }
}

void form3::Option3_Click() {
    chooseClass(FireClass::A);
}

void form3::Option4_Click() {
    chooseClass(FireClass::B);
}

void form3::Option5_Click() {
    chooseClass(FireClass::C);
}

void form3::Option6_Click() {
    chooseClass(FireClass::D);
}

void form3::Option1_Click() {
    chooseUnderground(*this, true);
}

void form3::Option2_Click() {
    chooseUnderground(*this, false);
}

void form3::Command1_Click() {
    calcu(*this, *ops_);
}

void form3::Command2_Click() {
    close();
}

void form3::q_Click() {
    showReference(reference::lightHazard());
}

void form3::z_Click() {
    showReference(reference::mediumHazard());
}

void form3::y_Click() {
    showReference(reference::severeHazard());
}

void form3::sjr_Click() {
    showReference(reference::about());
}

}  // namespace extcalc::ui
