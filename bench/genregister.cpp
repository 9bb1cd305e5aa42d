// genregister OUT.TAV [ENTRIES] [CELLS]: writes a large CP932 register.

#include "platform/textfile.h"
#include "registergenerator.h"

#include <QCoreApplication>
#include <cstdio>

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList a = app.arguments();
    if (a.size() < 2) {
        std::fprintf(stderr, "usage: genregister OUT.TAV [ENTRIES=2000] [CELLS=100]\n");
        return 2;
    }
    const int entries = a.size() > 2 ? a.at(2).toInt() : 2000;
    const int cells = a.size() > 3 ? a.at(3).toInt() : 100;
    textfile::writeBytes(a.at(1), generateRegisterBytes(entries, cells));
    return 0;
}
