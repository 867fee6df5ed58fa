// Part of the print module (notella-print.so): a note laid out on the printer's pages.
#include "notes/NotePrint.h"

#include <QAbstractTextDocumentLayout>
#include <QPainter>
#include <QPrinter>
#include <QTextCursor>
#include <QTextDocument>

void PrintNoteTo(QPrinter& printer, const QString& title, const QStringList& lines) {
    printer.setDocName(QStringLiteral("Notella : ") + title);
    // The margins are measured from the paper's edge, not from the printable area.
    printer.setFullPage(true);

    QTextDocument doc;
    doc.setUndoRedoEnabled(false);
    // Point sizes in the printer's own resolution.
    doc.documentLayout()->setPaintDevice(&printer);
    doc.setDocumentMargin(0);
    QFont font(QStringLiteral("MS Sans Serif"));
    font.setPointSize(8);
    doc.setDefaultFont(font);

    QTextCharFormat text;
    text.setFont(font);
    QTextCharFormat heading = text;
    heading.setFontPointSize(13);
    heading.setFontWeight(QFont::Bold);
    // Inserted as text, never as markup: a note may hold "<" and "&".
    QTextCursor cursor(&doc);
    cursor.insertText(title, heading);
    cursor.insertBlock(QTextBlockFormat(), text);
    for (const QString& line : lines) {
        cursor.insertBlock(QTextBlockFormat(), text);
        cursor.insertText(line, text);
    }

    const qreal inchX = printer.resolution();
    const qreal inchY = printer.resolution();
    const QRectF paper = printer.paperRect(QPrinter::DevicePixel);
    const QSizeF page(paper.width() - 2 * inchX, paper.height() - 2 * inchY);
    // Laid out page by page, as QTextDocument::print would add page numbers.
    doc.setPageSize(page);

    QPainter painter;
    if (!painter.begin(&printer))
        return; // a failing print job is not reported
    const int pages = doc.pageCount();
    for (int i = 0; i < pages; ++i) {
        if (i > 0)
            printer.newPage();
        const QRectF onPage(0, i * page.height(), page.width(), page.height());
        // A line laid out on the next page starts on this page's bottom edge: it is drawn
        // there only, or it would hide, clipped, in this page's text as well.
        QAbstractTextDocumentLayout::PaintContext context;
        context.clip = onPage.adjusted(0, 0, 0, -1);
        context.palette.setColor(QPalette::Text, Qt::black);
        painter.save();
        painter.translate(inchX, inchY - onPage.top());
        painter.setClipRect(onPage);
        doc.documentLayout()->draw(&painter, context);
        painter.restore();
    }
    painter.end();
}

extern "C" __attribute__((visibility("default"))) void
NotellaPrintNoteTo(QPrinter& printer, const QString& title, const QStringList& lines) {
    PrintNoteTo(printer, title, lines);
}
