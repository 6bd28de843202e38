#include "store/folderremoval.h"

#include "store/database.h"
#include "store/fieldvalue.h"
#include "store/recordset.h"
#include "store/statements.h"

#include <QSet>

#include <vector>

namespace store {

bool FolderRemoval::remove(Database& database, qint64 code, qint64 parent)
{
    // The folder's own row is the one listed at this level: a damaged file
    // may give its code to another folder elsewhere, which stays.
    {
        RecordSet own = database.OpenRecordset(Statements::Folder(code, parent));
        if (own.Eof())
            return false;
        own.Delete();
    }

    // Everything whose parent is a folder being deleted goes, level by level
    // with a list of our own, not recursion, so a tree of any depth fits;
    // inside one transaction the order is never seen. A folder met again (a
    // parent cycle in a damaged file) has its row deleted but is not walked
    // twice, so the walk ends and leaves no row without its folder. A folder
    // row whose code is no code (0 is the whole top level) is deleted but
    // never walked.
    std::vector<qint64> pending{code};
    QSet<qint64> entered{code};
    while (!pending.empty()) {
        const qint64 folder = pending.back();
        pending.pop_back();
        RecordSet contents = database.OpenRecordset(Statements::Contents(folder));
        const int tel = contents.FieldIndex(u"tel");
        const int codeField = contents.FieldIndex(u"code");
        while (!contents.Eof()) {
            if (FieldValue::isFolder(contents.Value(tel))) {
                const auto subfolder = FieldValue::code(contents.Value(codeField));
                if (subfolder && !entered.contains(*subfolder)) {
                    entered.insert(*subfolder);
                    pending.push_back(*subfolder);
                }
            }
            contents.Delete();
            contents.MoveNext();
        }
    }
    return true;
}

} // namespace store
