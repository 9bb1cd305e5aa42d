#pragma once
// The program's windows: one instance each, created at start in a fixed
// order and destroyed in reverse, reachable by these global names.

#include "app/tfversion.h"
#include "register/tfsearch.h"

#include <QDialog>

class TFMain;
class TFTelAdd;
class TFKeyLabel;

// Windows whose content later work fills in; each is a plain dialog that
// keeps its title until then.

class TFAdjust : public QDialog
{
    Q_OBJECT

public:
    explicit TFAdjust(QWidget *parent = nullptr);
};

class TFPrintJimeijoList : public QDialog
{
    Q_OBJECT

public:
    explicit TFPrintJimeijoList(QWidget *parent = nullptr);
};

class TFPrintJimeijoCard : public QDialog
{
    Q_OBJECT

public:
    explicit TFPrintJimeijoCard(QWidget *parent = nullptr);
};

class TFViewImage : public QDialog
{
    Q_OBJECT

public:
    explicit TFViewImage(QWidget *parent = nullptr);
};

extern TFMain *FMain;
extern TFTelAdd *FTelAdd;
extern TFKeyLabel *FKeyLabel;
extern TFAdjust *FAdjust;
extern TFSearch *FSearch;
extern TFPrintJimeijoList *FPrintJimeijoList;
extern TFPrintJimeijoCard *FPrintJimeijoCard;
extern TFViewImage *FViewImage;
extern TFVersion *FVersion;

// Creates every window in start-up order; destroyWindows removes them in
// reverse order, FMain last (it writes its settings and ends TMainSub).
// executablePath names the program whose folders are used (tests give one
// of their own); empty means the running program.
void createWindows(const QString &executablePath = QString());
void destroyWindows();
