#pragma once
// The voucher setup: start number, preset account, side and lock of every
// numbered series, written as a whole into table VouSetting.
#include "common/window.h"

#include <QList>

class QButtonGroup;
class QCheckBox;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;

namespace accounts {

class frmAcSetting : public common::Window {
    Q_OBJECT
public:
    explicit frmAcSetting(QWidget *parent = nullptr);

    // Loads every row of the table into the window.
    void FillVouSetting();

protected:
    void formLoad() override;
    void formActivate() override;
    void formUnload() override;

private:
    // One series shown in the window. Controls a series lacks are nullptr.
    struct Series {
        QString key;
        QString caption;
        QLineEdit *number = nullptr;
        QRadioButton *debit = nullptr;
        QRadioButton *credit = nullptr;
        QButtonGroup *sides = nullptr;
        QCheckBox *fix = nullptr;
        QLineEdit *account = nullptr;
        QPushButton *find = nullptr;
        QPushButton *clear = nullptr;
    };

    Series *series(const QString &key);
    void findAccount(const QString &key);
    void clearSeries(const QString &key);
    void clearAll();
    void save();

    QList<Series> m_series; // the shown rows, top to bottom
    // Hidden series: their boxes keep what was loaded and are written back.
    QLineEdit *txtPurOrder;
    QLineEdit *txtQuot;
    QLineEdit *txtDC;
    QLineEdit *txtTaxInv;
    QLineEdit *txtGstInv;
    QLineEdit *txtSTaxACC;
    QLineEdit *txtShortFLLAC;
    QLineEdit *txtIncTaxACRpt;
    QLineEdit *txtSalTaxAcRpt;
    QLineEdit *txtGstACC;
    QPushButton *cmdSave;
    QPushButton *cmdClear;
    QPushButton *cmdExit;

    QString m_FindTarget;
};

} // namespace accounts
