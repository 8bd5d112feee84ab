#include "platform/pdf/PdfDocument.h"

#include <poppler/cpp/poppler-document.h>
#include <poppler/cpp/poppler-global.h>
#include <poppler/cpp/poppler-page.h>

#include <QFile>
#include <QHash>

#include <algorithm>
#include <limits>

#include <mutex>

namespace quavel {

namespace {

// Poppler reports every oddity of a damaged file on standard error; the callers turn failures into
// their own French messages, so its chatter is dropped.
void quiet(const std::string&, void*) { }

void silencePoppler()
{
    static std::once_flag once;
    std::call_once(once, [] { poppler::set_debug_error_function(&quiet, nullptr); });
}

bool isBlankLine(QStringView line)
{
    return std::all_of(line.begin(), line.end(),
        [](QChar c) { return c == u' ' || c == u'\t' || c == u'\r' || c == u'\f'; });
}

// Poppler's physical layout ends every line with a line feed, turns vertical gaps into empty lines and
// ends the page with a form feed. The page's text is its lines joined by line feeds, as the readers
// count lines: nothing after the last one, no line made of the gaps alone.
QString toQString(const poppler::ustring& text)
{
    const QString all(reinterpret_cast<const QChar*>(text.data()), qsizetype(text.size()));
    QString out;
    out.reserve(all.size());
    for (const QStringView line : QStringView(all).split(u'\n')) {
        if (isBlankLine(line))
            continue;
        if (!out.isEmpty())
            out += u'\n';
        out += line;
    }
    return out;
}

} // namespace

struct PdfDocument::Private
{
    // Poppler reads from this buffer for as long as the document lives.
    QByteArray bytes;
    std::unique_ptr<poppler::document> document;
    // Page text is asked for more than once per import (layout detection, then lines).
    mutable QHash<int, std::optional<QString>> pageTexts;

    std::unique_ptr<poppler::page> page(int index) const
    {
        if (index < 0 || index >= document->pages())
            return nullptr;
        return std::unique_ptr<poppler::page>(document->create_page(index));
    }
};

PdfDocument::PdfDocument(std::unique_ptr<Private> data)
    : d(std::move(data))
{ }

PdfDocument::~PdfDocument() = default;

std::unique_ptr<PdfDocument> PdfDocument::open(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return nullptr;
    return fromData(file.readAll());
}

std::unique_ptr<PdfDocument> PdfDocument::fromData(const QByteArray& bytes)
{
    silencePoppler();
    if (bytes.isEmpty() || bytes.size() > std::numeric_limits<int>::max())
        return nullptr;
    auto d = std::make_unique<Private>();
    d->bytes = bytes;
    d->document.reset(poppler::document::load_from_raw_data(d->bytes.constData(), int(d->bytes.size())));
    if (!d->document || d->document->is_locked())
        return nullptr;
    return std::unique_ptr<PdfDocument>(new PdfDocument(std::move(d)));
}

int PdfDocument::pageCount() const
{
    return d->document->pages();
}

std::optional<QString> PdfDocument::pageText(int index) const
{
    const auto cached = d->pageTexts.constFind(index);
    if (cached != d->pageTexts.constEnd())
        return *cached;
    std::optional<QString> text;
    if (auto page = d->page(index))
        text = toQString(page->text(poppler::rectf(), poppler::page::physical_layout));
    d->pageTexts.insert(index, text);
    return text;
}

std::optional<QRectF> PdfDocument::mediaBox(int index) const
{
    auto page = d->page(index);
    if (!page)
        return std::nullopt;
    const poppler::rectf box = page->page_rect(poppler::media_box);
    return QRectF(box.x(), box.y(), box.width(), box.height());
}

std::optional<QString> PdfDocument::text(int index, const QRectF& rectangle) const
{
    auto page = d->page(index);
    if (!page)
        return std::nullopt;
    const poppler::rectf area(rectangle.x(), rectangle.y(), rectangle.width(), rectangle.height());
    return toQString(page->text(area, poppler::page::physical_layout));
}

} // namespace quavel
