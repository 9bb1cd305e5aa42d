#include "windows/main/windows.h"
#include "windows/common/appsettings.h"

#include "windows/common/screenplace.h"
#include "windows/keylabel/keylabelpanel.h"
#include "windows/keylabel/tfkeylabel.h"
#include "windows/main/tfmain.h"
#include "windows/print/printcommands.h"
#include "windows/print/tfadjust.h"
#include "windows/print/tfprintjimeijocard.h"
#include "windows/print/tfprintjimeijolist.h"
#include "windows/register/registercommands.h"
#include "windows/register/tfsearch.h"
#include "windows/register/tftel_add.h"
#include "windows/strip/picturecommands.h"

TFMain *FMain = nullptr;

namespace {
// The dialogs, owned here between createWindows and destroyWindows.
TFTelAdd *FTelAdd = nullptr;
TFKeyLabel *FKeyLabel = nullptr;
TFAdjust *FAdjust = nullptr;
TFSearch *FSearch = nullptr;
TFPrintJimeijoList *FPrintJimeijoList = nullptr;
TFPrintJimeijoCard *FPrintJimeijoCard = nullptr;
TFViewImage *FViewImage = nullptr;
TFVersion *FVersion = nullptr;

// The picture dialog's settings: read when it is created, written back when
// it is destroyed (the size limit too, so that its default is in the file).
TFViewImage::Settings readViewImageSettings(TMainSub &sub)
{
    SettingsStore &s = sub.settings();
    TFViewImage::Settings v;
    v.pictureFileSizeMax = appsettings::read(s, appsettings::PictureFileSizeMax);
    v.openPicture = appsettings::read(s, appsettings::pictureFolder(sub.programFolder()));
    v.left = appsettings::read(s, appsettings::PicturePlace.left);
    v.top = appsettings::read(s, appsettings::PicturePlace.top);
    return v;
}

void writeViewImageSettings(TMainSub &sub, const TFViewImage::Settings &v)
{
    SettingsStore &s = sub.settings();
    appsettings::write(s, appsettings::PicturePlace.left, v.left);
    appsettings::write(s, appsettings::PicturePlace.top, v.top);
    appsettings::write(s, appsettings::PictureFileSizeMax, int(v.pictureFileSizeMax));
    appsettings::write(s, appsettings::pictureFolder(sub.programFolder()), v.openPicture);
}

// The entry dialog's place, read when it is created and written at the end.
void restoreEntryDialogPosition(TMainSub &sub, TFTelAdd &dlg)
{
    SettingsStore &s = sub.settings();
    screenplace::moveOnScreen(&dlg, appsettings::read(s, appsettings::EntryDialogPlace));
}

void saveEntryDialogPosition(TMainSub &sub, const TFTelAdd &dlg)
{
    SettingsStore &s = sub.settings();
    appsettings::write(s, appsettings::EntryDialogPlace, dlg.pos());
}
} // namespace

void createWindows(const QString &executablePath)
{
    FMain = new TFMain(nullptr, executablePath);
    FTelAdd = new TFTelAdd(FMain);
    restoreEntryDialogPosition(*FMain->mainSub(), *FTelAdd);
    FMain->registerCommands().setEntryDialog(FTelAdd);
    SettingsStore &settings = FMain->mainSub()->settings();
    FKeyLabel = new TFKeyLabel(settings, FMain);
    FMain->keyLabelPanel().setDialog(FKeyLabel);
    FAdjust = new TFAdjust(settings, FMain);
    FSearch = new TFSearch(FMain->document(), FMain->display(), FMain->registerCommands(), FMain->cellEditing(), FMain->commandAction(QStringLiteral("ActionEditFind")), FMain->commandAction(QStringLiteral("ActionEditReplace")), FMain);
    FPrintJimeijoList = new TFPrintJimeijoList(settings, FMain);
    FPrintJimeijoCard = new TFPrintJimeijoCard(settings, FMain);
    FMain->printCommands().setDialogs({FAdjust, FPrintJimeijoCard, FPrintJimeijoList});
    FViewImage = new TFViewImage(FMain, readViewImageSettings(*FMain->mainSub()));
    FMain->pictureCommands().setDialog(FViewImage);
    FVersion = new TFVersion(FMain, QStringLiteral(TAVREL_VERSION));
    FMain->connectCommand(FMain->commandAction(QStringLiteral("ActionHelpAbout")), [] { FVersion->exec(); });
    FMain->commandAction(QStringLiteral("ActionHelpAbout"))->setEnabled(true);
}

void destroyWindows()
{
    delete FVersion;
    FVersion = nullptr;
    if (FViewImage) {
        writeViewImageSettings(*FMain->mainSub(), FViewImage->settings());
        FMain->pictureCommands().setDialog(nullptr);
    }
    delete FViewImage;
    FViewImage = nullptr;
    FMain->printCommands().setDialogs({});
    delete FPrintJimeijoCard;
    FPrintJimeijoCard = nullptr;
    delete FPrintJimeijoList;
    FPrintJimeijoList = nullptr;
    delete FSearch;
    FSearch = nullptr;
    delete FAdjust;
    FAdjust = nullptr;
    FMain->keyLabelPanel().setDialog(nullptr);
    delete FKeyLabel;
    FKeyLabel = nullptr;
    if (FTelAdd) {
        saveEntryDialogPosition(*FMain->mainSub(), *FTelAdd);
        FMain->registerCommands().setEntryDialog(nullptr);
    }
    delete FTelAdd;
    FTelAdd = nullptr;
    FMain->printCommands().saveSettings(FMain->mainSub()->settings());
    delete FMain;
    FMain = nullptr;
}
