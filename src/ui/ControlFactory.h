// The few kinds of control the tabs are built from, made alike everywhere.
#pragma once

#include <string>

class QCheckBox;
class QLabel;
class QToolButton;
class QWidget;

namespace korvi::ui {

QLabel* MakeLabel(const std::string& text, const char* name, QWidget* parent);
QLabel* MakeBoldLabel(const std::string& text, const char* name, QWidget* parent);
// The arrow button that starts a tab's operation.
QToolButton* MakeArrowButton(const char* name, QWidget* parent);
// The small "..." button beside a box, with its hint.
QToolButton* MakeBrowseButton(const char* name, const std::string& hint, QWidget* parent);
// A check box whose text stands on its left.
QCheckBox* MakeLeftTextCheckBox(const std::string& text, const char* name, QWidget* parent);

}  // namespace korvi::ui
