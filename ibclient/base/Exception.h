// Exception: the base of every error the program raises, and the generic
// error classes that are not tied to the client library.
//
// Errors carry their text as a QString (what the operator reads in the error
// box) and answer the name of their class, since the box for an unexpected
// error prints it. Copying an error never throws: QString is implicitly shared.
#pragma once

#include <QByteArray>
#include <QString>

#include <exception>
#include <memory>

class Exception : public std::exception {
public:
    explicit Exception(const QString& message);
    ~Exception() override;

    const QString& Message() const { return FMessage; }
    void SetMessage(const QString& message);

    // The design's class name ("EIBClientError", ...), shown by error boxes.
    virtual QString ClassName() const { return QStringLiteral("Exception"); }

    // An error raised while handling another one may carry it; the error box
    // shows the innermost non-empty message of the chain.
    const Exception* InnerException() const { return FInnerException.get(); }
    void SetInnerException(std::shared_ptr<const Exception> inner) { FInnerException = std::move(inner); }

    const char* what() const noexcept override { return FWhat.constData(); }

private:
    QString FMessage;
    QByteArray FWhat; // UTF-8 copy of the message for what()
    std::shared_ptr<const Exception> FInnerException;
};

// A silent error: ends the current command without any box.
class EAbort : public Exception {
public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EAbort"); }
};

// Text that does not convert to the value asked for.
class EConvertError : public Exception {
public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EConvertError"); }
};

// A failure reported by the operating system; ErrorCode is its error number.
class EOSError : public Exception {
public:
    EOSError(const QString& message, int errorCode) : Exception(message), FErrorCode(errorCode) {}
    int ErrorCode() const { return FErrorCode; }
    QString ClassName() const override { return QStringLiteral("EOSError"); }

private:
    int FErrorCode;
};

// The base of every database error: record sets, fields, the client layer.
class EDatabaseError : public Exception {
public:
    using Exception::Exception;
    QString ClassName() const override { return QStringLiteral("EDatabaseError"); }
};

// Raises EAbort with an empty message: a command that ends on purpose.
[[noreturn]] void Abort();
