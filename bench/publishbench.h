#pragma once

#include <QString>

// quorvelin-tool publish on a directory of 10,000 entries (or as many as
// asked for), against a Radicale server of its own on this machine: how many
// requests a publish with nothing to do sends, and how long a first publish
// takes beside the same PUTs sent with nothing else around them.
class PublishBench
{
public:
    static constexpr int Entries = 10'000;

    struct Result
    {
        int republishRequests = 0; // as the server counted them
        double publishMs = 0;      // the whole command: file, plan, listing, PUTs
        double barePutsMs = 0;     // the same cards PUT into an empty address book
    };

    // Works in `folder`, which must exist. Throws std::runtime_error.
    static Result run(const QString& folder, int entries);
};
