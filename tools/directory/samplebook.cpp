#include "tools/directory/samplebook.h"

namespace {

struct Node
{
    QString name;
    qint64 tel = 0; // a folder unless a number is given
    std::vector<Node> children = {};
};

// Numbers from the 555-01xx block, which is reserved for fiction.
std::vector<Node> tree()
{
    return {
        {QStringLiteral("Family"), 0, {
            {QStringLiteral("Mother"), 5550101},
            {QStringLiteral("Sami"), 5550102},
        }},
        {QStringLiteral("Work"), 0, {
            {QStringLiteral("Reception"), 5550110},
            {QStringLiteral("Sales"), 0, {
                {QStringLiteral("Nora Ellis"), 5550111},
                {QStringLiteral("Omar Aziz"), 5550112},
            }},
            {QStringLiteral("Support"), 0, {
                {QStringLiteral("Help desk"), 5550120},
                {QStringLiteral("Kenji Sato"), 5550121},
            }},
        }},
        {QStringLiteral("عائلة"), 0, {
            {QStringLiteral("جدتي"), 5550130},
            {QStringLiteral("أصدقاء"), 0, {
                {QStringLiteral("كريم"), 5550131},
                {QStringLiteral("ليلى"), 5550132},
            }},
        }},
        {QStringLiteral("Dr Haddad"), 5550140},
        {QStringLiteral("Taxi"), 5550150},
    };
}

void flatten(const std::vector<Node>& nodes, qint64 parent, std::vector<SampleBook::Row>& rows)
{
    for (const Node& node : nodes) {
        const qint64 code = qint64(rows.size()) + 1;
        rows.push_back({code, node.name, node.tel, parent});
        flatten(node.children, code, rows);
    }
}

} // namespace

std::vector<SampleBook::Row> SampleBook::rows()
{
    std::vector<Row> rows;
    flatten(tree(), 0, rows);
    return rows;
}
