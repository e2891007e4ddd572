#pragma once
#include <QString>

#include <stdexcept>

namespace report {

// Every failure of the report engine: the message is the text a user sees.
class Error : public std::runtime_error {
public:
    explicit Error(const QString &message)
        : std::runtime_error(message.toStdString())
    {
    }
    QString text() const { return QString::fromUtf8(what()); }
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

private:
    int m_position;
    QString m_token;
    QString m_reason;
};

} // namespace report
