#include "ui/SelectServerDialog.h"

#include <algorithm>

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QVBoxLayout>

#include "app/Texts.h"
#include "ui/UiText.h"

namespace korvi::ui {

namespace {

QLabel* BoldLabel(const std::string& text, const char* name, QWidget* parent) {
    auto* label = new QLabel(Q(text), parent);
    label->setObjectName(name);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

}  // namespace

SelectServerDialog::SelectServerDialog(const std::vector<std::string>& urls, int count,
                                       QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("TSelectServerForm");
    setWindowTitle(Q(Text(kTextSelectPbxCaption)));

    m_list = new QComboBox(this);
    m_list->setObjectName("comboBoxServerList");
    m_list->setEditable(false);
    const auto shown =
        std::min<std::size_t>(urls.size(), static_cast<std::size_t>(std::max(0, count)));
    for (std::size_t i = 0; i < shown; ++i) m_list->addItem(Q(urls[i]));
    if (m_list->count() > 0) m_list->setCurrentIndex(0);
    m_list->setMinimumContentsLength(36);

    m_ok = new QPushButton(style()->standardIcon(QStyle::SP_DialogOkButton), Q("OK"), this);
    m_ok->setObjectName("btnOK");
    m_ok->setDefault(true);
    m_cancel = new QPushButton(style()->standardIcon(QStyle::SP_DialogCancelButton),
                               Q(Text(kTextCancelButton)), this);
    m_cancel->setObjectName("btnCancel");
    m_cancel->setToolTip(Q(Text(kTextCancelButton)));
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_ok);
    buttons->addWidget(m_cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(BoldLabel(Text(kTextSeveralPbxFound), "Label1", this));
    layout->addWidget(BoldLabel(Text(kTextSelectPbxFromList), "Label2", this));
    layout->addWidget(m_list);
    layout->addStretch();
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

std::string SelectServerDialog::chosenUrl() const { return S(m_list->currentText()); }

}  // namespace korvi::ui
