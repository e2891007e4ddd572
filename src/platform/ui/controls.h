#pragma once
// Small control stand-ins: date picker, data-bound combo, tabs and frames.
#include <QComboBox>
#include <QDateEdit>
#include <QGroupBox>
#include <QTabWidget>

namespace db {
class Recordset;
}

namespace ui {

// Date picker with a calendar drop-down; today at creation.
// A typed or pasted day, month and year that make no date ("31/02/2009")
// are refused, not moved to the nearest date; dateRefused then tells the
// refused text once the picker shows its date again.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    explicit DatePicker(QWidget *parent = nullptr, const QString &format = QStringLiteral("dd/MM/yyyy"));

signals:
    // A mouse press anywhere in the picker: on its text as on its button.
    void pressed();
    void dateRefused(const QString &text);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    QValidator::State validate(QString &input, int &pos) const override;
};

// Combo box filled from a recordset: it lists one field (ListField) and
// stands for the value of another (BoundColumn) of the chosen row.
class DataCombo : public QComboBox {
    Q_OBJECT
public:
    explicit DataCombo(QWidget *parent = nullptr);

    // Replaces the list with the rows of `rs`; nothing is chosen afterwards.
    void fill(const db::Recordset &rs, const QString &listField, const QString &boundColumn);
    // The same for rows already read: names shown, keys bound, pairwise.
    void fill(const QStringList &names, const QStringList &keys);
    // The bound value of the chosen row, "" when none is chosen.
    QString boundText() const;
    // Chooses the row whose bound value is `value`; none when no row has it.
    void setBoundText(const QString &value);
    // The shown text of the chosen row ("" when none).
    QString text() const { return currentText(); }
};

// A frame around a group of controls.
using Frame = QGroupBox;

// Brings tab `index` of `tabs` to the front.
void showTab(QTabWidget *tabs, int index);

} // namespace ui
