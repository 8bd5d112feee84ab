#pragma once

#include <QString>

#include <exception>
#include <string>

namespace quavel {

// Base of every error the system throws. message() is the French text the photographer sees.
class Error : public std::exception
{
public:
    explicit Error(QString message)
        : m_message(std::move(message))
        , m_utf8(m_message.toStdString())
    {
    }

    const QString& message() const noexcept { return m_message; }
    const char* what() const noexcept override { return m_utf8.c_str(); }

private:
    QString m_message;
    std::string m_utf8;
};

// Bytes that do not hold the record they should (malformed, nested too deeply, a value of the wrong
// type): the document they came from is unreadable. The JSON coding's DecodingError is one.
class FormatError : public Error
{
public:
    using Error::Error;
};

// A failed file operation; carries the errno value it came from.
class FileError : public Error
{
public:
    FileError(int errnoValue, QString message)
        : Error(std::move(message))
        , m_errno(errnoValue)
    {
    }

    int errnoValue() const noexcept { return m_errno; }

private:
    int m_errno;
};

} // namespace quavel
