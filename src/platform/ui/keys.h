#pragma once
// Key handling of the entry fields: which typed characters a box keeps,
// upper-casing while typing, and what Enter does.
#include <QHash>
#include <QObject>
#include <QString>

#include <functional>

class QWidget;

namespace ui {

// True when `c` matches a one-character pattern such as "[0-9 .]": a list of
// characters in which a hyphen between two characters stands for the whole
// range between them ("[0-9 -- ,]" is the digits, blank to hyphen, and the
// comma). A leading "!" negates the list. A pattern without brackets matches
// its own single character.
bool matchesPattern(QChar c, const QString &pattern);

// One filter per box, configured fluently:
//   ui::keys(txtTel).pattern("[0-9 -- ,]").enterMovesNext();
//   ui::keys(txtName).upperCase().enterMovesNext();
//   ui::keys(txtVoucher).enterMovesNext().onEnter([this] { openVoucher(); });
// Backspace always passes; Enter passes to the box unless the filter moves
// on or runs a callback. Other keys (arrows, Delete, shortcuts) pass.
class KeyFilter : public QObject {
    Q_OBJECT
public:
    explicit KeyFilter(QWidget *box);

    // Typed characters must match the pattern.
    KeyFilter &pattern(const QString &pattern);
    // Typed letters are turned to upper case.
    KeyFilter &upperCase(bool on = true);
    // A typed blank is dropped.
    KeyFilter &dropBlanks(bool on = true);
    // Each of these characters is dropped while the box already holds one.
    KeyFilter &once(const QString &chars);
    // Enter moves the focus to the next field (as a Tab would).
    KeyFilter &enterMovesNext(bool on = true);
    // Enter runs f (after moving on, when that is set too).
    KeyFilter &onEnter(std::function<void()> f);
    // Pressing `key` (an arrow, a function key) runs f; the box does not get it.
    KeyFilter &onKey(int key, std::function<void()> f);
    // The whole text is selected whenever the box gets the focus.
    KeyFilter &selectAllOnFocus(bool on = true);

    // Whether a typed character would be kept, given the box's current text.
    bool accepts(QChar c, const QString &currentText) const;
    // Also filters the box's inner editor (keys() calls it again, for a
    // combo made editable after its filter was made).
    void watchFocusProxy();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QWidget *m_box;
    QString m_pattern;
    QString m_once;
    bool m_upper = false;
    bool m_dropBlanks = false;
    bool m_enterNext = false;
    bool m_selectAll = false;
    std::function<void()> m_onEnter;
    QHash<int, std::function<void()>> m_onKey;
};

// The box's filter, created on first use and owned by the box.
KeyFilter &keys(QWidget *box);

// Moves the focus from `from` to the next field of its window's tab order
// that can take it (visible, enabled, accepts Tab focus).
void focusNext(QWidget *from);

} // namespace ui
