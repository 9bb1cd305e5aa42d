#pragma once
// The print system as the program sees it: whether any printer is installed,
// the default printer's name, and putting a paper size into a printer.

#include <QString>
#include <optional>

class QPrinter;

namespace printers {

// "No printer installed" means the system lists no printer.
bool installed();
QString defaultPrinterName();

// Tests decide what installed() and defaultPrinterName() answer;
// std::nullopt asks the system again.
void setInstalledForTesting(std::optional<bool> installed);
void setDefaultNameForTesting(std::optional<QString> name);

// Puts a paper (by its paper number: A4 9, A5 11, JIS B5 13, Japanese
// postcard 43) into the printer when the printer offers it. Results:
// 0 set; 1 the printer does not offer that paper; 2 the printer has no
// paper setting (an invalid printer); 3 it reports no papers; 4 reading its
// papers failed. Output to a PDF file takes every paper.
int setPrinterPaper(QPrinter &printer, int paperIdentifier);

} // namespace printers
