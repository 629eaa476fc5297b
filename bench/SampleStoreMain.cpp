// zolt-sample-store ROOT EVENTS [SEED]: writes the deterministic sample store.
#include "SampleStore.h"

#include <QCoreApplication>
#include <QString>

#include <cstdio>

int main(int argc, char** argv) {
    if (argc < 3 || QString::fromLocal8Bit(argv[2]).toInt() <= 0) {
        std::fprintf(stderr, "usage: zolt-sample-store ROOT EVENTS [SEED]\n");
        return 2;
    }
    const unsigned seed = argc > 3 ? QString::fromLocal8Bit(argv[3]).toUInt() : 1;
    if (!bench::SampleStore::write(QString::fromLocal8Bit(argv[1]),
                                   QString::fromLocal8Bit(argv[2]).toInt(), seed)) {
        std::fprintf(stderr, "zolt-sample-store: cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
