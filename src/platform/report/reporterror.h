#pragma once
#include <QString>

#include <stdexcept>

namespace report {

// Every failure of the report engine: the message is the text a user sees.
// A fault of a report definition begins with where it stands in the file,
// "rptAcLedger.rpt, line 42, formula field 'F3': " (see placeText()); such an
// error is placed, and a caller further out leaves it as it is, so the
// innermost place (the formula field a field uses, say) is the one told.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }
    // `place` is a placeText(), or empty for an error that belongs to no
    // place in the file.
    Error(const QString &place, const QString &message)
        : std::runtime_error((place + message).toStdString())
        , m_placed(!place.isEmpty())
    {
    }
    QString text() const { return QString::fromUtf8(what()); }
    bool isPlaced() const { return m_placed; }

protected:
    void setPlaced(bool placed) { m_placed = placed; }

private:
    bool m_placed = false;
};

// An error in a formula's text, with where it is (1-based position of the
// offending token) and the token itself.
class FormulaError : public Error {
public:
    FormulaError(const QString &message, int position, const QString &token, const QString &reason)
        : Error(message)
        , m_position(position)
        , m_token(token)
        , m_reason(reason)
    {
    }
    int position() const { return m_position; }
    const QString &token() const { return m_token; }
    const QString &reason() const { return m_reason; }
    // The same error told at `place` (a placeText()).
    FormulaError placedAt(const QString &place) const
    {
        FormulaError e(place + text(), m_position, m_token, m_reason);
        e.setPlaced(!place.isEmpty());
        return e;
    }

private:
    int m_position;
    QString m_token;
    QString m_reason;
};

// Where something stands in a report definition file, as every placed error
// begins: "file, line N, what: ", or "file, line N: " without `what`. The
// file is named by its file name; `line` 0 leaves the line out.
QString placeText(const QString &source, int line, const QString &what = {});

} // namespace report
