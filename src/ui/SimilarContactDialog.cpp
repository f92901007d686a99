#include "ui/SimilarContactDialog.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "ui/UiText.h"

namespace korvi::ui {

namespace {

constexpr int kChoiceOfButton[4] = {kUsePbx, kUsePartner, kRetainBoth, kCancel};
constexpr const char* kButtonNames[4] = {"btnUsePBX", "btnUsePartner", "btnUseBoth", "btnCancel"};

QLabel* BoldLabel(const std::string& text, QWidget* parent) {
    auto* label = new QLabel(Q(text), parent);
    QFont font = label->font();
    font.setBold(true);
    label->setFont(font);
    return label;
}

QPlainTextEdit* ContactBox(const std::vector<std::string>& lines, const char* name,
                           QWidget* parent) {
    auto* box = new QPlainTextEdit(parent);
    box->setObjectName(name);
    box->setReadOnly(true);
    box->setLineWrapMode(QPlainTextEdit::NoWrap);
    for (const auto& line : lines) box->appendPlainText(Q(line));
    box->moveCursor(QTextCursor::Start);
    return box;
}

}  // namespace

SimilarContactDialog::SimilarContactDialog(const Question& question, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName("TchooseContactForm");
    setWindowTitle(Q(question.caption));

    auto* heading = BoldLabel(question.heading, this);
    heading->setObjectName("Label11");
    heading->setWordWrap(true);
    auto* pbxCaption = BoldLabel(question.pbxCaption, this);
    pbxCaption->setObjectName("Label1");
    auto* partnerCaption = BoldLabel(question.partnerCaption, this);
    partnerCaption->setObjectName("Label2");
    m_pbxBox = ContactBox(question.pbxLines, "memPBX", this);
    m_partnerBox = ContactBox(question.partnerLines, "memOutlook", this);

    auto* boxes = new QGridLayout;
    boxes->addWidget(pbxCaption, 0, 0);
    boxes->addWidget(partnerCaption, 0, 1);
    boxes->addWidget(m_pbxBox, 1, 0);
    boxes->addWidget(m_partnerBox, 1, 1);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    for (int i = 0; i < 4; ++i) {
        const std::string text = i < static_cast<int>(question.buttons.size())
                                     ? question.buttons[static_cast<std::size_t>(i)]
                                     : std::string();
        m_buttons[i] = new QPushButton(Q(text), this);
        m_buttons[i]->setObjectName(kButtonNames[i]);
        m_buttons[i]->setAutoDefault(false);
        const int choice = kChoiceOfButton[i];
        connect(m_buttons[i], &QPushButton::clicked, this, [this, choice] { Choose(choice); });
        buttons->addWidget(m_buttons[i]);
    }
    buttons->addStretch();

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(heading);
    layout->addLayout(boxes, 1);
    layout->addLayout(buttons);

    // Room for a name line and a few numbers on each side, in the font's own measure.
    const QFontMetrics metrics = fontMetrics();
    resize(metrics.averageCharWidth() * 96, metrics.height() * 18);
}

QPushButton* SimilarContactDialog::button(int choice) const {
    for (int i = 0; i < 4; ++i) {
        if (kChoiceOfButton[i] == choice) return m_buttons[i];
    }
    return nullptr;
}

void SimilarContactDialog::Choose(int choice) {
    m_choice = choice;
    if (choice == kCancel) {
        reject();
    } else {
        accept();
    }
}

}  // namespace korvi::ui
