#include "tools/http/secretmemory.h"

void SecretMemory::wipe(void* data, size_t size)
{
    // Through volatile, so that stores to memory about to be freed are not
    // optimised away.
    volatile auto* byte = static_cast<volatile unsigned char*>(data);
    for (size_t i = 0; i < size; ++i)
        byte[i] = 0;
}

void SecretMemory::wipe(QByteArray& bytes)
{
    if (bytes.isDetached())
        wipe(bytes.data(), size_t(bytes.capacity()));
}

void SecretMemory::wipe(QString& text)
{
    if (text.isDetached())
        wipe(text.data(), size_t(text.capacity()) * sizeof(QChar));
}

QByteArray SecretMemory::joined(std::initializer_list<QByteArrayView> parts)
{
    qsizetype size = 0;
    for (const QByteArrayView part : parts)
        size += part.size();
    QByteArray whole;
    whole.reserve(size);
    for (const QByteArrayView part : parts)
        whole.append(part);
    return whole;
}
