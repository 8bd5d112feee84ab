#pragma once

#include <QImage>
#include <QWidget>

namespace quavel {

class PrintSession;

// The print panel's picture of one page as it will print: the page's own sheet (turned as that page
// prints) on a grey ground, the photo fitted into the printable area. The page is rendered once per
// page, sheet and size, and kept until one of them changes.
class PrintPreviewPane : public QWidget
{
    Q_OBJECT

public:
    explicit PrintPreviewPane(PrintSession& session, QWidget* parent = nullptr);

    int page() const { return m_page; }
    void setPage(int page);
    // The printer's paper or orientation changed.
    void sheetChanged();

    // The page as last rendered (tests look at it).
    const QImage& rendered() const { return m_rendered; }

    QSize sizeHint() const override { return QSize(300, 380); }

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QRectF sheetRect() const;
    void render();

    PrintSession& m_session;
    int m_page = 1;
    QImage m_rendered;
};

} // namespace quavel
