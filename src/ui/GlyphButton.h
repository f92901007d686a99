// The small picture buttons of the choosers and the account dialog: a standard glyph with the
// hint as tooltip and accessible name, sized in the font so it scales with it.
#pragma once

#include <string>

#include <QStyle>

class QToolButton;
class QWidget;

namespace korvi::ui {

QToolButton* GlyphButton(QStyle::StandardPixmap glyph, const std::string& hint, const char* name,
                         QWidget* parent);

}  // namespace korvi::ui
