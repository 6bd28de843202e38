#pragma once

#include <QString>

// quorvelin-tool sync between an empty directory and an address book a phone
// filled with 10,000 contacts (or as many as asked for), on a Radicale server
// of its own: the first sync beside the bare requests that read the same
// cards, a sync after the phone changed a few of them, in requests and
// beside the bare requests that read those changes, and one more with
// nothing changed on either side.
class SyncBench
{
public:
    static constexpr int Contacts = 10'000;
    static constexpr int Changed = 10;

    struct Result
    {
        double firstMs = 0;      // the whole command: listing, cards, plan, entries written
        double firstFloorMs = 0; // a PROPFIND and the multigets of every card, Radicale's cache built
        int resyncRequests = 0;  // as the server counted them
        double resyncMs = 0;
        double resyncFloorMs = 0; // the REPORT of the changes and the multiget of the changed cards
        int idleRequests = 0;
        double idleMs = 0;
        double idleFloorMs = 0; // the REPORT that finds nothing changed
    };

    // Works in `folder`, which must exist. Throws std::runtime_error.
    static Result run(const QString& folder, int contacts);
};
