#include "app/windows.h"

#include "app/tfmain.h"
#include "keylabel/tfkeylabel.h"
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

TFAdjust::TFAdjust(QWidget *parent) : QDialog(parent) { setWindowTitle(QStringLiteral("印刷位置の微調整")); }
TFPrintJimeijoList::TFPrintJimeijoList(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("示名条一覧の印刷"));
}
TFPrintJimeijoCard::TFPrintJimeijoCard(QWidget *parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("示名条の印刷"));
}
TFViewImage::TFViewImage(QWidget *parent) : QDialog(parent) { setWindowTitle(QStringLiteral("画像取込み")); }

void createWindows(const QString &executablePath)
{
    FMain = new TFMain(nullptr, executablePath);
    FTelAdd = new TFTelAdd(FMain);
    FKeyLabel = new TFKeyLabel(FMain);
    FAdjust = new TFAdjust(FMain);
    FSearch = new TFSearch(*FMain);
    FPrintJimeijoList = new TFPrintJimeijoList(FMain);
    FPrintJimeijoCard = new TFPrintJimeijoCard(FMain);
    FViewImage = new TFViewImage(FMain);
    FVersion = new TFVersion(FMain, QStringLiteral(TAVREL_VERSION));
    FMain->connectCommand(FMain->ActionHelpAbout, [] { FVersion->exec(); });
    FMain->ActionHelpAbout->setEnabled(true);
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
