#pragma once
// The application picker: lists the admission applications, narrowed by one
// criterion, and hands the chosen application's key back to the window that
// opened it through gPickAppId. It remembers that window (its opener); on a
// pick it sets gPickAppId, closes, and activates the opener, whose
// activation handler takes the answer. When the opener has gone meanwhile,
// the answer is dropped (gPickAppId keeps the value it had). Closing the
// picker without a pick hands back nothing.
#include "common/pickerlist.h"

#include <cstdint>

class QComboBox;
class QLabel;
class QLineEdit;

namespace ui {
class Grid;
}

namespace fees {

class frmFindApp : public common::PickerList {
    Q_OBJECT
public:
    explicit frmFindApp(QWidget *parent = nullptr);

    // Runs the query of the criterion and the search text and binds the list.
    void FillGrid();
    // Column count, headers and widths of the list.
    void setGrid();

protected:
    void formLoad() override;
    bool takePick(int row) override;
    void dropPick() override;

private:
    QLabel *lblCriteria, *lblSearch;
    QComboBox *cboCriteria;
    QLineEdit *txt_s_value;
    ui::Grid *Msh;

    std::int32_t m_previous = 0; // gPickAppId before the pick
};

// Closes an open picker and shows a fresh one for the active window.
void openApplicationPicker();

} // namespace fees
