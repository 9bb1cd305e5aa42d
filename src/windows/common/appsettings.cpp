#include "windows/common/appsettings.h"

#include "platform/settingsstore.h"

#include <iterator>
#include "strip/cellpicture.h"

namespace appsettings {

namespace {
const QString Position = QStringLiteral("Position");
const QString Checked = QStringLiteral("Checked");
const QString Data = QStringLiteral("Data");
const QString Dir = QStringLiteral("Dir");

constexpr int DefaultColumnWidths[] = {120, 280, 120, 160, 120, 120};

DialogPlace dialogPlace(const QString &prefix)
{
    return {{Position, prefix + QStringLiteral("Left"), 100}, {Position, prefix + QStringLiteral("Top"), 100}};
}

WindowPlace windowPlace(const QString &prefix, int width, int height)
{
    return {{Position, prefix + QStringLiteral("Top"), 0},         {Position, prefix + QStringLiteral("Left"), 0},
            {Position, prefix + QStringLiteral("Width"), width},   {Position, prefix + QStringLiteral("Height"), height},
            {Position, prefix + QStringLiteral("WState"), 0}};
}
} // namespace

int read(const SettingsStore &store, const IntKey &key)
{
    return store.readInteger(key.section, key.key, key.fallback);
}

bool read(const SettingsStore &store, const FlagKey &key)
{
    return store.readInteger(key.section, key.key, key.fallback ? 1 : 0) != 0;
}

QString read(const SettingsStore &store, const TextKey &key)
{
    return store.readString(key.section, key.key, key.fallback);
}

bool write(SettingsStore &store, const IntKey &key, int value)
{
    return store.writeInteger(key.section, key.key, value);
}

bool write(SettingsStore &store, const FlagKey &key, bool value)
{
    return store.writeInteger(key.section, key.key, value ? 1 : 0);
}

bool write(SettingsStore &store, const TextKey &key, const QString &value)
{
    return store.writeString(key.section, key.key, value);
}

QPoint read(const SettingsStore &store, const DialogPlace &place)
{
    return QPoint(read(store, place.left), read(store, place.top));
}

void write(SettingsStore &store, const DialogPlace &place, QPoint topLeft)
{
    write(store, place.top, topLeft.y());
    write(store, place.left, topLeft.x());
}

void keep(SettingsStore &store, const DialogPlace &place)
{
    write(store, place, read(store, place));
}

void keep(SettingsStore &store, const WindowPlace &place)
{
    const int state = read(store, place.state);
    if (state == 0)
        for (const IntKey *key : {&place.top, &place.left, &place.width, &place.height})
            write(store, *key, read(store, *key));
    write(store, place.state, state);
}

const IntKey MainTop{Position, QStringLiteral("MainTop"), 0};
const IntKey MainLeft{Position, QStringLiteral("MainLeft"), 0};
const IntKey MainWidth{Position, QStringLiteral("MainWidth"), 1000};
const IntKey MainHeight{Position, QStringLiteral("MainHeight"), 738};
const IntKey MainWindowState{Position, QStringLiteral("MainWState"), 2};
const IntKey ListHeight{Position, QStringLiteral("TelListHeight"), 105};

IntKey listColumnWidth(int column)
{
    const int n = int(std::size(DefaultColumnWidths));
    return {Position, QStringLiteral("TelList%1").arg(column), column >= 0 && column < n ? DefaultColumnWidths[column] : 100};
}

const DialogPlace EntryDialogPlace = dialogPlace(QStringLiteral("TelAdd"));
const DialogPlace KeyLabelPlace = dialogPlace(QStringLiteral("KeyLabel"));
const DialogPlace AdjustPlace = dialogPlace(QStringLiteral("Adjust"));
const DialogPlace PicturePlace = dialogPlace(QStringLiteral("ViewImage"));

const WindowPlace ListPreviewPlace = windowPlace(QStringLiteral("List"), 1000, 600);
const WindowPlace CardPreviewPlace = windowPlace(QStringLiteral("Card"), 800, 600);

const FlagKey ShowKeyLabel{Checked, QStringLiteral("DispKeyLabel"), true};
const FlagKey ShowList{Checked, QStringLiteral("DispList"), true};
const FlagKey ShowToolBar{Checked, QStringLiteral("DispToolBar"), true};
const FlagKey ShowStatusBar{Checked, QStringLiteral("DispStatusBar"), true};
const FlagKey ShowOverview{Checked, QStringLiteral("DispLayout"), true};

const IntKey SeriesChoice{Data, QStringLiteral("SelSeriesNo"), 0};
const IntKey PictureFileSizeMax{Data, QStringLiteral("PictureFileSizeMax"), int(strip::DefaultPictureFileSizeMax)};

const TextKey CsvImportFolder{Dir, QStringLiteral("ImportCsv"), QString()};
const TextKey CsvExportFolder{Dir, QStringLiteral("ExportCsv"), QString()};
const TextKey PdfFolder{Dir, QStringLiteral("SavePdf"), QString()};

TextKey pictureFolder(const QString &programFolder)
{
    return {Dir, QStringLiteral("OpenPicture"), programFolder + QStringLiteral("tvロゴ")};
}

const QString SheetPrint = QStringLiteral("SheetPrint");
const FlagKey SheetOnSheets{SheetPrint, QStringLiteral("OnSheets"), false};
const FlagKey SheetLandscape{SheetPrint, QStringLiteral("Landscape"), false};
const FlagKey SheetCaptions{SheetPrint, QStringLiteral("Captions"), true};
const FlagKey SheetRotate{SheetPrint, QStringLiteral("Rotate"), false};
const TextKey SheetPaper{SheetPrint, QStringLiteral("Paper"), QString()};
const TextKey SheetMargin{SheetPrint, QStringLiteral("Margin"), QString()};
const TextKey SheetGap{SheetPrint, QStringLiteral("Gap"), QString()};
const IntKey SheetCut{SheetPrint, QStringLiteral("Cut"), 0};
const IntKey SheetStart{SheetPrint, QStringLiteral("Start"), 1};

const QString AdjustSection = QStringLiteral("Adjust");

} // namespace appsettings
