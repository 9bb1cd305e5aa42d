#include "windows/main/windows.h"
#include "windows/main/tfmain.h"

TFMain *FMain = nullptr;

void createWindows(const QString &executablePath)
{
    FMain = new TFMain(nullptr, executablePath);
}

void destroyWindows()
{
    delete FMain;
    FMain = nullptr;
}
