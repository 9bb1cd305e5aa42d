#include "app/windows.h"

#include "app/tfmain.h"
#include "keylabel/tfkeylabel.h"
#include "print/tfadjust.h"
#include "print/tfprintjimeijocard.h"
#include "print/tfprintjimeijolist.h"
#include "register/tftel_add.h"

TFMain *FMain = nullptr;
TFTelAdd *FTelAdd = nullptr;
TFKeyLabel *FKeyLabel = nullptr;
TFAdjust *FAdjust = nullptr;
TFSearch *FSearch = nullptr;
TFPrintJimeijoList *FPrintJimeijoList = nullptr;
TFPrintJimeijoCard *FPrintJimeijoCard = nullptr;
TFViewImage *FViewImage = nullptr;
TFVersion *FVersion = nullptr;

TFSearch::TFSearch(QWidget *parent) : QDialog(parent) { setWindowTitle(QStringLiteral("検索")); }
TFViewImage::TFViewImage(QWidget *parent) : QDialog(parent) { setWindowTitle(QStringLiteral("画像取込み")); }
TFVersion::TFVersion(QWidget *parent) : QDialog(parent) { setWindowTitle(QStringLiteral("バージョン情報")); }

void createWindows(const QString &executablePath)
{
    FMain = new TFMain(nullptr, executablePath);
    FTelAdd = new TFTelAdd(FMain);
    FKeyLabel = new TFKeyLabel(FMain);
    FAdjust = new TFAdjust(FMain);
    FSearch = new TFSearch(FMain);
    FPrintJimeijoList = new TFPrintJimeijoList(FMain);
    FPrintJimeijoCard = new TFPrintJimeijoCard(FMain);
    FViewImage = new TFViewImage(FMain);
    FVersion = new TFVersion(FMain);
}

void destroyWindows()
{
    delete FVersion;
    FVersion = nullptr;
    delete FViewImage;
    FViewImage = nullptr;
    delete FPrintJimeijoCard;
    FPrintJimeijoCard = nullptr;
    delete FPrintJimeijoList;
    FPrintJimeijoList = nullptr;
    delete FSearch;
    FSearch = nullptr;
    delete FAdjust;
    FAdjust = nullptr;
    delete FKeyLabel;
    FKeyLabel = nullptr;
    delete FTelAdd;
    FTelAdd = nullptr;
    delete FMain;
    FMain = nullptr;
}
