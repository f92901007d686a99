#include "ui/ControlFactory.h"

#include <QCheckBox>
#include <QLabel>
#include <QToolButton>

#include "ui/UiText.h"

namespace korvi::ui {

QLabel* MakeLabel(const std::string& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(Q(text), parent);
    label->setObjectName(name);
    return label;
}

QLabel* MakeBoldLabel(const std::string& text, const char* name, QWidget* parent) {
    QLabel* label = MakeLabel(text, name, parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QToolButton* MakeArrowButton(const char* name, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setArrowType(Qt::RightArrow);
    button->setAutoRaise(false);
    const int side = button->fontMetrics().height() + 10;
    button->setMinimumSize(side * 3 / 2, side);
    return button;
}

QToolButton* MakeBrowseButton(const char* name, const std::string& hint, QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(Q("..."));
    button->setToolTip(Q(hint));
    return button;
}

QCheckBox* MakeLeftTextCheckBox(const std::string& text, const char* name, QWidget* parent) {
    auto* box = new QCheckBox(Q(text), parent);
    box->setObjectName(name);
    box->setLayoutDirection(Qt::RightToLeft);
    return box;
}

}  // namespace korvi::ui
