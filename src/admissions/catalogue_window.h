#pragma once
// What the three catalogue windows share: a title above the tab control
// SSTab1 with an entry tab (the fields and the buttons cmdSave, cmdDelete,
// cmdCancel, cmdExit, cmdPrint) and a search tab (criterion box cmb_s_cri,
// search box txt_s_value, list Msh), and the handlers of the family.
#include "admissions/catalogue_rules.h"
#include "common/window.h"

#include <QStringList>

class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QPushButton;
class QTabWidget;

namespace ui {
class Grid;
}

namespace admissions {

class CatalogueWindow : public common::Window {
    Q_OBJECT
public:
    struct Column {
        const char *header;
        int width; // twips
    };
    struct Design {
        QString name;
        QString caption;
        QString entryTab, searchTab;
        catalogue::Table table;
        QStringList criteria; // the first is selected at load
        QList<Column> columns;
        QString pickedHeader; // first header cell after a pick
    };

    explicit CatalogueWindow(const Design &design);

    // Refills the list by the criterion (the search box's text is the value).
    void FillGrid(const QString &criterion);
    // The list's headers and widths.
    void setGrid();
    // Every Tag "M" box, the key box included, gets empty text.
    void ClearAll();

protected:
    void formLoad() override;
    void formUnload() override;
    bool eventFilter(QObject *watched, QEvent *event) override;

    // A Tag "M" field in the next row of the entry tab.
    QLineEdit *addField(const char *labelName, const QString &label, const char *name, const QString &column);
    // Another control in the next row of the entry tab.
    void addRow(const char *labelName, const QString &label, QWidget *control);
    // The key box (hidden, Tag "M"); created by the constructor.
    QLineEdit *keyBox() const { return m_key; }
    // Sets the focus order: fields, then the buttons, then `after`.
    void finishLayout(const QList<QWidget *> &fields, const QList<QWidget *> &after);

    // Member parts.
    virtual void loadMember() { } // before the first FillGrid
    // Checks the typed values and builds the record; false (after telling
    // the user) stops the save.
    virtual bool collect(catalogue::Entry *entry) = 0;
    virtual void afterWrite() { }
    virtual void loadRow(int row) = 0;
    virtual void cmdExit_Click() { unload(); }
    virtual bool appliesMenuRights() const { return true; }
    virtual QWidget *firstField() const = 0;

    // The Tag "M" boxes (key box excepted) with their texts, Null for empty.
    void collectBoxes(catalogue::Entry *entry, const QStringList &skip = {});
    void setMaxLengths();

    QLabel *lblTitle;
    QTabWidget *SSTab1;
    QWidget *m_entryTab, *m_searchTab;
    QPushButton *cmdSave, *cmdDelete, *cmdCancel, *cmdExit, *cmdPrint;
    QComboBox *cmb_s_cri;
    QLineEdit *txt_s_value;
    ui::Grid *Msh;

private:
    QWidget *buildEntryTab();
    void buildSearchTab();
    void buildKeyBox(QWidget *fieldBox);
    void setKeyRules();
    void connectHandlers();

    void cmdSave_Click();
    void cmdDelete_Click();
    void cmdCancel_Click();
    void Msh_Pick();

    Design m_design;
    QGridLayout *m_fields;
    QLineEdit *m_key;
    int m_nextRow = 0;
};

} // namespace admissions
