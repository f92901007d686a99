// The frame the store choosers share: a tree of the store's nodes (each item keeps its node),
// OK and Cancel, and a create button offered when the store says so, whose name is asked in a
// box of its own. A chooser fills the tree and says what a click and a new name do.
#pragma once

#include <functional>

#include <QDialog>

class QTreeWidget;
class QTreeWidgetItem;
class QToolButton;

namespace korvi::ui {

class TreeChooserDialog : public QDialog {
    Q_OBJECT

public:
    ~TreeChooserDialog() override;

    QTreeWidget* tree() const { return m_tree; }
    QToolButton* okButton() const { return m_ok; }
    QToolButton* cancelButton() const { return m_cancel; }
    QToolButton* createButton() const { return m_create; }

protected:
    TreeChooserDialog(const char* objectName, QWidget* parent);

    // The state showing a chooser starts in: OK off until a usable node is chosen.
    void Start(bool offerCreate);
    // The item shows node's text; the node is kept on it for NodeOf.
    QTreeWidgetItem* AddItem(QTreeWidgetItem* parent, const QString& text, bool leafIcon,
                             const void* node);
    static const void* NodeOf(const QTreeWidgetItem* item);
    // The first level opened and nothing chosen, as the stores show their trees.
    void OpenFirstLevel();

    virtual void Clicked() = 0;
    // A new name, empty when the box was dismissed or left empty.
    virtual void CreateNamed(const QString& name) = 0;
    // The create button: asks for the new name.
    virtual void CreateClicked();

    QTreeWidget* m_tree = nullptr;
    QToolButton* m_create = nullptr;
    QToolButton* m_ok = nullptr;
    QToolButton* m_cancel = nullptr;
};

}  // namespace korvi::ui
