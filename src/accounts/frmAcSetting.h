#pragma once
// The voucher setup: start number, preset account, side and lock of every
// numbered series, written as a whole into table VouSetting.
#include "accounts/vousetting.h"
#include "common/window.h"

#include <QHash>
#include <QList>
#include <QString>

class QButtonGroup;
class QCheckBox;
class QGridLayout;
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

    // The key of the account an account box shows (Accounts.RowID as text,
    // or the stored text); "" for none.
    QString accountKey(const QLineEdit *box) const { return m_accountKeys.value(box); }

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

    struct RowNames;
    static const RowNames kRows[];

    QGroupBox *buildSeries();
    Series buildSeriesRow(const RowNames &r, QGroupBox *outer, QGridLayout *grid, int line);
    QWidget *buildSeriesLead(
        const RowNames &r, Series *s, QGroupBox *outer, QGridLayout *grid, int line, QWidget *frame);
    void buildHiddenSeries(QGroupBox *outer);
    void buildButtons();
    void layOut(QGroupBox *setup);
    void connectHandlers();

    void setAccount(QLineEdit *box, const QString &title, const QString &key);
    Series *series(const QString &key);
    void findAccount(const QString &key);
    void clearSeries(const QString &key);
    void clearAll();
    bool startNumbers(QHash<QString, db::Value> *values);
    VouSettingRow settingRow(const QString &key, const QHash<QString, db::Value> &numbers);
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
    QHash<const QLineEdit *, QString> m_accountKeys;
};

} // namespace accounts
