#pragma once

#include "tools/formats/contactcard.h"

#include <QByteArray>
#include <QString>
#include <QUrl>

#include <vector>

// What publish sends to make an address book hold the cards it should:
// a PUT for each card that is missing or whose name, number or folder
// differs (with what a phone added to it kept), a DELETE for each card it
// made earlier whose entry is gone, nothing for the rest. Only the cards
// publish made are ever looked at; the caller leaves the others out.
class SyncPlan
{
public:
    // A card publish made, as the server holds it now.
    struct Remote
    {
        QString fileName; // the last step of its address
        QUrl url;         // inside the address book, checked
        QByteArray etag;  // a valid entity tag, or empty when the server gave none
        QString card;
    };

    struct Action
    {
        enum class Kind { Add, Change, Remove };
        Kind kind;
        QString fileName;
        QUrl url;        // the card's, for Change and Remove
        QByteArray etag; // the precondition, for Change and Remove
        QByteArray card; // for Add and Change
        QString label;   // the entry, as messages name it
    };

    SyncPlan(const std::vector<ContactCard>& wanted, const std::vector<Remote>& remote);

    const std::vector<Action>& actions() const { return m_actions; }
    size_t count(Action::Kind kind) const;
    size_t unchanged() const { return m_unchanged; }
    // Changes and removals left undone because the card has no ETag to make
    // them conditional on: without one, a card changed on a phone meanwhile
    // would be overwritten unseen.
    const std::vector<Action>& held() const { return m_held; }

private:
    void add(Action action);

    std::vector<Action> m_actions;
    std::vector<Action> m_held;
    size_t m_unchanged = 0;
};
