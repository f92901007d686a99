#include "ui/GlyphButton.h"

#include <QToolButton>
#include <QWidget>

#include "ui/UiText.h"

namespace korvi::ui {

QToolButton* GlyphButton(QStyle::StandardPixmap glyph, const std::string& hint, const char* name,
                         QWidget* parent) {
    auto* button = new QToolButton(parent);
    button->setObjectName(name);
    button->setIcon(parent->style()->standardIcon(glyph));
    button->setToolTip(Q(hint));
    button->setAccessibleName(Q(hint));
    // A glyph button of the original's proportions, measured in the font.
    const int h = parent->fontMetrics().height() * 2;
    button->setMinimumSize(h * 4 / 3, h);
    button->setIconSize(QSize(h * 2 / 3, h * 2 / 3));
    return button;
}

}  // namespace korvi::ui
