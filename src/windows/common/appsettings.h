#pragma once
// Every setting the windows keep, named once: its section, its key and the
// value it has when the file does not hold it. Windows read and write
// settings only through these keys; the strings live here alone. Values
// go through the byte-preserving SettingsStore, so a write changes its own
// line and nothing else of the file.

#include <QPoint>
#include <QString>

class SettingsStore;

namespace appsettings {

template <class T>
struct Key
{
    QString section;
    QString key;
    T fallback;
};
using IntKey = Key<int>;
using FlagKey = Key<bool>; // stored as 1 or 0; any other integer reads as on
using TextKey = Key<QString>;

int read(const SettingsStore &store, const IntKey &key);
bool read(const SettingsStore &store, const FlagKey &key);
QString read(const SettingsStore &store, const TextKey &key);
bool write(SettingsStore &store, const IntKey &key, int value);
bool write(SettingsStore &store, const FlagKey &key, bool value);
bool write(SettingsStore &store, const TextKey &key, const QString &value);

// [Position]: the main window's frame, the list below the strip.
extern const IntKey MainTop, MainLeft, MainWidth, MainHeight;
extern const IntKey MainWindowState; // 0 normal, 1 minimised, 2 maximised
extern const IntKey ListHeight;
// The width of a column of the register list.
IntKey listColumnWidth(int column);

// A dialog's top-left corner (its frame's), 100, 100 when not stored.
struct DialogPlace
{
    IntKey left;
    IntKey top;
};
extern const DialogPlace EntryDialogPlace, KeyLabelPlace, AdjustPlace, PicturePlace;
QPoint read(const SettingsStore &store, const DialogPlace &place);
// Writes the top line before the left one.
void write(SettingsStore &store, const DialogPlace &place, QPoint topLeft);

// A print preview's frame; its size when not stored is the window's own.
struct WindowPlace
{
    IntKey top, left, width, height;
    IntKey state; // 0 normal, 1 minimised, 2 maximised
};
extern const WindowPlace ListPreviewPlace, CardPreviewPlace;
// A dialog is made when first needed and writes its place when it goes; one
// never made this run writes back the place it would have taken (the stored
// one, or the default), so the file holds every window's place after a run.
void keep(SettingsStore &store, const DialogPlace &place);
void keep(SettingsStore &store, const WindowPlace &place);

// [Checked]: what the view menu shows.
extern const FlagKey ShowKeyLabel, ShowList, ShowToolBar, ShowStatusBar, ShowOverview;

// [Data]
extern const IntKey SeriesChoice;       // the key label series, 0 to 7
extern const IntKey PictureFileSizeMax; // bytes

// [Dir]: the folders the file dialogs start in.
extern const TextKey CsvImportFolder, CsvExportFolder, PdfFolder;
// The picture folder starts as the program folder's tvロゴ.
TextKey pictureFolder(const QString &programFolder);

// [SheetPrint]: several strips on a sheet of plain paper. The paper,
// margin and gap are read by the sheet choice, which keeps its own default
// for a missing or unreadable value.
extern const FlagKey SheetOnSheets, SheetLandscape, SheetCaptions, SheetRotate;
extern const TextKey SheetPaper, SheetMargin, SheetGap;
extern const IntKey SheetCut;   // 0 cut marks, 1 cut lines, 2 none
extern const IntKey SheetStart; // the first place used on the first sheet

// [Adjust]: one key per printer with its print offsets.
extern const QString AdjustSection;

} // namespace appsettings
