#include "ibclient/base/Exception.h"

Exception::Exception(const QString& message) : FMessage(message), FWhat(message.toUtf8()) {}

Exception::~Exception() = default;

void Exception::SetMessage(const QString& message)
{
    FMessage = message;
    FWhat = message.toUtf8();
}

void Abort()
{
    throw EAbort(QString());
}
