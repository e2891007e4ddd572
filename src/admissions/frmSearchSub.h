#pragma once
// The subject picker: finds one subject of the catalogue and hands it back
// to the window that opened it (protocol in catalogue.h).
#include "common/pickerlist.h"
#include "platform/db/db.h"

#include <cstdint>

class QLabel;
class QLineEdit;
class QPushButton;

namespace ui {
class DataCombo;
class Grid;
} // namespace ui

namespace admissions {

class frmSearchSub : public common::PickerList {
    Q_OBJECT
public:
    explicit frmSearchSub(QWidget *parent = nullptr);

    // Runs the query of the current mode and binds the list.
    void FillGrid();
    // Column count, headers and widths of the list.
    void setGrid();

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;
    bool takePick(int row) override;
    void dropPick() override;

private:
    void cmdSubject_Click();

    QLabel *Label30, *Label23;
    ui::DataCombo *DataCboCourse;
    QLineEdit *txtFind;
    ui::Grid *Msh;
    QPushButton *cmdSubject, *txtExit;

    std::int32_t m_appId = 0; // application mode while >= 1, else course mode
};

} // namespace admissions
