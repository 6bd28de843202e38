#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include <cstddef>
#include <initializer_list>

// The password, and what is made of it (a Basic header, Digest's first
// hash), overwritten before its memory goes back to the heap, where a core
// dump or a later bug could show it. Only a buffer held alone can be: Qt's
// containers share theirs on copy, and writing to one shared would detach
// it and overwrite a fresh copy instead, so a shared one is left to the
// last holder, which must be one that overwrites it too.
class SecretMemory
{
public:
    static void wipe(void* data, size_t size);
    // Zeros over its whole capacity, the size kept, when held alone.
    static void wipe(QByteArray& bytes);
    static void wipe(QString& text);

    // The parts in one buffer allocated once: appending piece by piece can
    // move the buffer, leaving the part copied so far in freed memory.
    static QByteArray joined(std::initializer_list<QByteArrayView> parts);
};
