#pragma once

#include <QByteArray>
#include <QRectF>
#include <QString>

#include <memory>
#include <optional>

namespace quavel {

// A PDF read for its text, over poppler. Text comes in the physical layout: the words of a table row
// stay on one line, columns padded with blanks, lines in reading order, joined by line feeds; the form
// feed and the line feed poppler ends a page with are removed, and so are the empty lines it makes of
// vertical gaps. Rectangles are in points from the top-left corner of the page.
// Not thread-safe: one document is used by one thread at a time.
class PdfDocument
{
public:
    // Absent when the file cannot be read, is no PDF, or is locked by a password.
    static std::unique_ptr<PdfDocument> open(const QString& path);
    static std::unique_ptr<PdfDocument> fromData(const QByteArray& bytes);

    ~PdfDocument();
    PdfDocument(const PdfDocument&) = delete;
    PdfDocument& operator=(const PdfDocument&) = delete;

    int pageCount() const;
    // Absent when the page cannot be loaded; empty when it holds no text.
    std::optional<QString> pageText(int index) const;
    // The page's media box in points; absent when the page cannot be loaded.
    std::optional<QRectF> mediaBox(int index) const;
    // The text of the glyphs within the rectangle, in the same layout as pageText.
    std::optional<QString> text(int index, const QRectF& rectangle) const;

private:
    struct Private;
    explicit PdfDocument(std::unique_ptr<Private> d);
    std::unique_ptr<Private> d;
};

} // namespace quavel
