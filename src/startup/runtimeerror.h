#pragma once

#include <QString>

#include <exception>

// The program's one run-time error: a number and a description. Procedures
// without a handler let it travel to their caller; an error that nothing
// handles is shown as the run-time error message and ends the program.
class RuntimeError : public std::exception
{
public:
    RuntimeError(int number, QString description);

    static RuntimeError typeMismatch();
    static RuntimeError overflow();

    int number() const { return m_number; }
    // The text of the run-time error message box: number and description.
    QString message() const;

    const char *what() const noexcept override { return m_what.constData(); }

private:
    int m_number;
    QString m_description;
    QByteArray m_what;
};
