#pragma once

#include <QByteArray>
#include <QUrl>

#include <atomic>
#include <functional>
#include <mutex>
#include <thread>

// An address book server of the bench's own, on 127.0.0.1 and a free port,
// answering in a thread of its own at /book/ with shapes no real server
// holds: more cards than any address book, cards of any size, or an answer
// of nothing but opening tags. Its cards are made as they are sent, so a
// shape costs the bench no memory. It answers a PROPFIND with the listing
// and an addressbook-multiget with the cards asked for; anything else 405.
class ShapeServer
{
public:
    // The text of card `i`, from 1; called on the server's thread.
    using Card = std::function<QByteArray(int i)>;

    ShapeServer();
    ~ShapeServer();
    ShapeServer(const ShapeServer&) = delete;
    ShapeServer& operator=(const ShapeServer&) = delete;

    QUrl addressBook() const;

    // The address book of `members` cards, c1.vcf and on, each with an ETag
    // of its own that never changes.
    void hold(int members, Card card);
    // The start of a multi-status answer, then `<prop>` again and again,
    // each inside the last, to `bytes` in all.
    void nest(qint64 bytes);

private:
    struct Shape
    {
        int members = 0;
        Card card;
        qint64 nestedBytes = 0;
    };

    void serve();
    void answer(int connection);
    // False once the client is gone.
    static bool sendAll(int connection, QByteArrayView data);

    int m_listening = -1;
    quint16 m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::mutex m_mutex; // guards m_shape
    Shape m_shape;
    std::thread m_thread;
};
