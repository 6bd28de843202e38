#include "tools/directory/importer.h"

#include "tools/directory/bookeditor.h"
#include "tools/directory/tree.h"

#include "store/transaction.h"

namespace {

Importer::Result import(BookEditor& editor, const std::vector<FlatRecord>& records, const QStringList& into)
{
    Importer::Result result;
    editor.folder(into);
    for (const FlatRecord& r : records) {
        if (r.isFolder())
            editor.declare(into + r.path + QStringList{r.name});
        else if (!editor.addNew(r.name, r.tel, editor.folder(into + r.path)))
            ++result.duplicates;
    }
    result.folders = editor.foldersMade();
    result.entries = editor.entriesMade();
    return result;
}

} // namespace

Importer::Result Importer::run(store::Database& database, const std::vector<FlatRecord>& records,
                               const QStringList& into, Mode mode)
{
    if (mode == Mode::DryRun) {
        const Tree tree = Tree::load(database);
        BookEditor editor(nullptr, tree);
        return import(editor, records, into);
    }
    store::Transaction transaction(database);
    // Read inside the transaction: the codes and folders seen are the ones
    // the new rows join.
    const Tree tree = Tree::load(database);
    BookEditor editor(&database, tree);
    const Result result = import(editor, records, into);
    transaction.Commit();
    return result;
}
