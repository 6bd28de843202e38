#include "store/storeerror.h"

namespace store {

StoreError::StoreError(const QString& message)
    : std::runtime_error(message.toStdString())
    , m_message(message)
{
}

} // namespace store
