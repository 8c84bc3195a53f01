// Performs one writing operation of the record store on a data folder, the way the
// windows do, so that the fault-injection test can interrupt it at every file-system
// call. Exit status: 0 done, 1 the store reported an error (message on stderr), 2 misuse.
#include "faultoperations.h"

#include "store/journal.h"
#include "store/storeerror.h"

#include <cstdio>

using namespace Qt::Literals::StringLiterals;

int main(int argc, char **argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: tamanote_faultdriver FOLDER OPERATION\n");
        return 2;
    }
    const QString folder = QString::fromLocal8Bit(argv[1]);
    const QString name = QString::fromLocal8Bit(argv[2]);
    // What the next start does first: recover the journal a killed write left.
    if (name == QLatin1String("recover")) {
        try {
            tama::journal::recover(folder);
        } catch (const tama::StoreError &e) {
            std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
            return 1;
        }
        return 0;
    }
    for (const tama::fault::Operation &op : tama::fault::operations() + tama::fault::snapshotOperations() +
                                                tama::fault::playOperations() +
                                                QList{tama::fault::takeLock()}) {
        if (op.name != name) continue;
        try {
            op.run(tama::DataFolder(folder));
        } catch (const tama::StoreError &e) {
            std::fprintf(stderr, "%s\n", e.message().toLocal8Bit().constData());
            return 1;
        }
        return 0;
    }
    std::fprintf(stderr, "unknown operation: %s\n", argv[2]);
    return 2;
}
