#pragma once
// The program's windows. The main window is the one global: the
// single-instance hand-over raises it. Its dialogs are made by the commands
// that use them, when first needed, as its children (found by class or
// object name).

#include "windows/main/tfversion.h"
#include "windows/register/tfsearch.h"
#include "windows/strip/tfviewimage.h"

#include <QDialog>

class TFMain;
class TFTelAdd;
// The key label and print windows live in src/windows/keylabel/ and src/windows/print/.
class TFKeyLabel;
class TFAdjust;
class TFPrintJimeijoList;
class TFPrintJimeijoCard;

extern TFMain *FMain;

// Creates the main window; destroyWindows removes it with its dialogs (it
// writes its settings and ends TMainSub).
// executablePath names the program whose folders are used (tests give one
// of their own); empty means the running program.
void createWindows(const QString &executablePath = QString());
void destroyWindows();
