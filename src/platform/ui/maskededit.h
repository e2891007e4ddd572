#pragma once
// Masked edit box: a fixed pattern of digit positions and literal characters
// ("##-##-####-###-##", "#######-#"), unfilled positions shown with the
// prompt character "_".
#include <QLineEdit>

namespace ui {

class MaskedEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit MaskedEdit(QWidget *parent = nullptr);
    MaskedEdit(const QString &mask, QWidget *parent = nullptr);

    // "#" a digit, "9" an optional digit, "?" a letter, "A" a letter or
    // digit, "a" an optional letter or digit, "&" any character, "C" an
    // optional character, "\" makes the next character literal; any other
    // character is a literal. An empty mask makes a plain box.
    void setMask(const QString &mask);
    QString mask() const { return m_mask; }
    QChar promptChar() const { return m_prompt; }
    void setPromptChar(QChar prompt);

    // The text as shown: literals included and "_" in unfilled positions
    // ("12-__-____-___-__"; an empty box gives the mask's picture). Without
    // a mask, the plain text.
    QString text() const;
    // Sets the text; literals in `text` may be given or left out.
    void setText(const QString &text);
    // True when every position of the mask is filled.
    bool isComplete() const;
    // Empties the box and keeps its mask (what setting the mask to "", the
    // text to "" and the mask back does).
    void reset();

private:
    void applyMask();
    QString m_mask;
    QChar m_prompt = QLatin1Char('_');
};

} // namespace ui
