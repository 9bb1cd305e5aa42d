#include "windows/print/printers.h"

#include "print/pageformat.h"

#include <QPageSize>
#include <QPrinter>
#include <QPrinterInfo>

namespace printers {

namespace {
std::optional<bool> &override()
{
    static std::optional<bool> o;
    return o;
}
std::optional<QString> &defaultOverride()
{
    static std::optional<QString> o;
    return o;
}
} // namespace

bool installed()
{
    if (override())
        return *override();
    return !QPrinterInfo::availablePrinterNames().isEmpty();
}

QString defaultPrinterName()
{
    if (defaultOverride())
        return *defaultOverride();
    return QPrinterInfo::defaultPrinterName();
}

void setDefaultNameForTesting(std::optional<QString> name)
{
    defaultOverride() = std::move(name);
}

void setInstalledForTesting(std::optional<bool> on)
{
    override() = on;
}

int setPrinterPaper(QPrinter &printer, int paperIdentifier)
{
    const QPageSize size(print::pageSizeOfIdentifier(paperIdentifier));
    if (printer.outputFormat() == QPrinter::PdfFormat)
        return printer.setPageSize(size) ? 0 : 1;
    if (!printer.isValid())
        return 2;
    // Read the printer's papers afresh from the print system.
    const QPrinterInfo info(printer);
    if (info.isNull())
        return 4;
    const QList<QPageSize> offered = info.supportedPageSizes();
    if (offered.isEmpty())
        return 3;
    for (const QPageSize &s : offered)
        if (s.id() == size.id())
            return printer.setPageSize(s) ? 0 : 1;
    return 1;
}

} // namespace printers
