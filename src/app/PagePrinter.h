#pragma once
// Printing the page at its physical size (the page's dots per inch against
// the printer's), and the print preview, on Qt's printer classes.
class QPrinter;
class QWidget;

namespace page {
class SDoc;
class SView;
}  // namespace page

namespace app {

// Draws the page through the renderer's print mode and puts it on the
// printer's first page, at the top-left of its printable area. 0, or a
// negative result code (the page's drawing failed, or the printer could not
// be started). The renderer keeps the window's transform, so hit tests on
// the window go on working.
int PrintPage(page::SView& view, page::SDoc& doc, QPrinter& printer);

// The printer of this run: the printer set-up chooses its paper and
// printer, and printing and the preview use it.
QPrinter& ApplicationPrinter();

// The printer set-up dialog on ApplicationPrinter; false when cancelled.
bool RunPrinterSetup(QWidget* parent);

// The print dialog, then printing; false when cancelled. A failure is
// reported to the user.
bool RunPrintDialog(page::SView& view, page::SDoc& doc, QWidget* parent);

// The print preview dialog; its print button prints through PrintPage.
void ShowPrintPreview(page::SView& view, page::SDoc& doc, QWidget* parent);

}  // namespace app
