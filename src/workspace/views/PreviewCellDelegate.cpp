#include "workspace/views/PreviewCellDelegate.h"

#include "ui/Backdrop.h"
#include "ui/Symbols.h"
#include "ui/Theme.h"
#include "workspace/PreviewRows.h"
#include "workspace/views/PreviewColumns.h"
#include "workspace/views/PreviewTableModel.h"

#include <QAbstractItemView>
#include <QFontDatabase>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

#include <optional>

namespace quavel {

namespace {

constexpr int markSide = 15;
constexpr int markGap = 3;
constexpr int checkSide = 16;
// QLineEdit keeps this margin between its edge and its text.
constexpr int lineEditMargin = 2;

const PreviewTableModel* previewModel(const QModelIndex& index)
{
    return qobject_cast<const PreviewTableModel*>(index.model());
}

bool isNumberColumn(int column)
{
    return column == PreviewTableModel::photo || column == PreviewTableModel::assigned;
}

struct Mark
{
    QString symbol;
    QColor color;
    QString help;
};

QList<Mark> marksOf(const PreviewRow& line, bool dark)
{
    QList<Mark> marks;
    if (PreviewRows::showsNoMatchMark(line))
        marks.append({ QStringLiteral("person.crop.circle.badge.questionmark"), Theme::red(dark),
            QStringLiteral("Pas de correspondance dans le programme") });
    if (PreviewRows::showsDuplicateMark(line))
        marks.append(
            { QStringLiteral("square.on.square"), Theme::orange(dark), PreviewRows::duplicateHelp(line) });
    return marks;
}

// The colour laid over a line of a status: orange at 0.34 for a duplicate, red at 0.28 for a line
// without a rider; none for the others.
std::optional<QColor> rowTint(PreviewRows::LineStatus status, bool dark)
{
    switch (status) {
    case PreviewRows::LineStatus::duplicate:
        return Theme::withOpacity(Theme::orange(dark), 0.34);
    case PreviewRows::LineStatus::unmatched:
        return Theme::withOpacity(Theme::red(dark), 0.28);
    case PreviewRows::LineStatus::clear:
        break;
    }
    return std::nullopt;
}

} // namespace

PreviewCellDelegate::PreviewCellDelegate(QAbstractItemView* view)
    : QStyledItemDelegate(view)
    , m_view(view)
{ }

QFont PreviewCellDelegate::numberFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    font.setPixelSize(Fonts::font(Fonts::Style::body).pixelSize());
    return font;
}

QFont PreviewCellDelegate::textFont()
{
    return Fonts::font(Fonts::Style::body);
}

QList<QRect> PreviewCellDelegate::markRects(const QRect& cell, int count)
{
    QList<QRect> rects;
    const int width = count * markSide + std::max(0, count - 1) * markGap;
    int x = cell.left() + (cell.width() - width) / 2;
    const int y = cell.top() + (cell.height() - markSide) / 2;
    for (int i = 0; i < count; ++i, x += markSide + markGap)
        rects.append(QRect(x, y, markSide, markSide));
    return rects;
}

void PreviewCellDelegate::paint(
    QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const PreviewTableModel* model = previewModel(index);
    if (!model || index.row() >= model->rowCount())
        return;
    const PreviewRow& line = model->line(index.row());
    const bool dark = Theme::isDark(m_view);
    const int column = index.column();
    const QRect cell = option.rect;
    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);

    const std::optional<QColor> tint = rowTint(PreviewRows::lineStatus(line), dark);
    if (tint)
        painter->fillRect(cell, *tint);
    painter->fillRect(QRect(cell.left(), cell.bottom(), cell.width(), 1),
        Theme::withOpacity(Theme::primary(dark), dark ? 0.12 : 0.09));

    const QRect content = PreviewColumns::contentRect(column, cell);
    if (column == PreviewTableModel::status) {
        paintMarks(painter, content, index, dark);
    } else if (column == PreviewTableModel::check) {
        if (PreviewRows::showsTransferCheck(line)) {
            const QRect mark(content.left() + (content.width() - checkSide) / 2,
                content.top() + (content.height() - checkSide) / 2, checkSide, checkSide);
            Symbols::paint(*painter, mark, QStringLiteral("checkmark.circle.fill"), Theme::green(dark));
        }
    } else {
        // The current cell: a field outlined in the accent colour, as the editor will show it.
        if (option.state & QStyle::State_Selected) {
            const QRectF field = QRectF(content).adjusted(-3, 3.5, 3, -3.5);
            const bool focused = m_view->hasFocus() || index == m_editing;
            painter->setPen(QPen(Theme::withOpacity(Theme::accent(dark), focused ? 0.95 : 0.45), 1.4));
            painter->setBrush(
                Theme::withOpacity(dark ? QColor(0, 0, 0) : QColor(255, 255, 255), dark ? 0.35 : 0.7));
            painter->drawRoundedRect(field, 5, 5);
        }
        if (index != m_editing) {
            QString text = model->cellText(line, column);
            QColor color = Theme::primary(dark);
            if (text.isEmpty()) {
                text = PreviewTableModel::placeholder(column);
                color = Theme::tertiary(dark);
            } else if ((column == PreviewTableModel::photo && line.duplicatePhoto)
                || (column == PreviewTableModel::assigned && line.duplicateAssigned)) {
                color = Theme::orange(dark);
            } else if (column == PreviewTableModel::photos) {
                color = Theme::secondary(dark);
            }
            // On a coloured line every text keeps a contrast of 4.5:1 at least, over the backdrop's
            // least contrasting colour (a little more, for the rounding of painted colours).
            if (tint)
                color = Theme::readable(color, Theme::over(*tint, Backdrop::leastContrasting(dark)), 4.7);
            const QFont font = isNumberColumn(column) ? numberFont() : textFont();
            painter->setFont(font);
            painter->setPen(color);
            const QString shown = QFontMetrics(font).elidedText(text, Qt::ElideRight, content.width());
            painter->drawText(content, int(Qt::AlignVCenter | Qt::AlignLeft) | Qt::TextSingleLine, shown);
        }
    }
    painter->restore();
}

void PreviewCellDelegate::paintMarks(
    QPainter* painter, const QRect& cell, const QModelIndex& index, bool dark) const
{
    const QList<Mark> marks = marksOf(previewModel(index)->line(index.row()), dark);
    const QList<QRect> rects = markRects(cell, int(marks.size()));
    for (qsizetype i = 0; i < marks.size(); ++i)
        Symbols::paint(*painter, rects[i], marks[i].symbol, marks[i].color);
}

QSize PreviewCellDelegate::sizeHint(const QStyleOptionViewItem&, const QModelIndex& index) const
{
    return QSize(PreviewColumns::sectionWidth(index.column()), PreviewColumns::rowHeight);
}

QWidget* PreviewCellDelegate::createEditor(
    QWidget* parent, const QStyleOptionViewItem&, const QModelIndex& index) const
{
    auto* editor = new QLineEdit(parent);
    editor->setFrame(false);
    editor->setFont(isNumberColumn(index.column()) ? numberFont() : textFont());
    editor->setPlaceholderText(PreviewTableModel::placeholder(index.column()));
    editor->setTextMargins(0, 0, 0, 0);
    // The cell draws the field under the editor.
    QPalette palette;
    palette.setColor(QPalette::Base, Qt::transparent);
    editor->setPalette(palette);
    editor->setAutoFillBackground(false);
    m_editing = index;
    m_textBeforeEditing = index.data(Qt::EditRole).toString();
    auto* self = const_cast<PreviewCellDelegate*>(this);
    // Every keystroke is stored, so the preview follows the typing.
    connect(editor, &QLineEdit::textEdited, self, [self, editor] { emit self->commitData(editor); });
    return editor;
}

void PreviewCellDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const
{
    auto* field = qobject_cast<QLineEdit*>(editor);
    if (!field)
        return;
    // The stores answer each keystroke with the same text: leave the field (cursor, selection, undo)
    // alone unless the stored value really differs.
    const QString text = index.data(Qt::EditRole).toString();
    if (field->text() != text)
        field->setText(text);
}

void PreviewCellDelegate::setModelData(
    QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const
{
    if (auto* field = qobject_cast<QLineEdit*>(editor))
        model->setData(index, field->text(), Qt::EditRole);
}

void PreviewCellDelegate::updateEditorGeometry(
    QWidget* editor, const QStyleOptionViewItem& option, const QModelIndex& index) const
{
    const QRect content = PreviewColumns::contentRect(index.column(), option.rect);
    editor->setGeometry(content.adjusted(-lineEditMargin, 4, lineEditMargin, -4));
}

void PreviewCellDelegate::destroyEditor(QWidget* editor, const QModelIndex& index) const
{
    // One cell is edited at a time.
    m_editing = QPersistentModelIndex();
    QStyledItemDelegate::destroyEditor(editor, index);
}

bool PreviewCellDelegate::helpEvent(
    QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option, const QModelIndex& index)
{
    if (event->type() != QEvent::ToolTip || index.column() != PreviewTableModel::status
        || !previewModel(index))
        return QStyledItemDelegate::helpEvent(event, view, option, index);
    // Each mark has its own help text.
    const QList<Mark> marks = marksOf(previewModel(index)->line(index.row()), Theme::isDark(view));
    const QList<QRect> rects
        = markRects(PreviewColumns::contentRect(index.column(), option.rect), int(marks.size()));
    for (qsizetype i = 0; i < marks.size(); ++i) {
        if (rects[i].adjusted(-2, -4, 2, 4).contains(event->pos())) {
            QToolTip::showText(event->globalPos(), marks[i].help, view->viewport(), rects[i]);
            return true;
        }
    }
    QToolTip::hideText();
    event->ignore();
    return true;
}

bool PreviewCellDelegate::eventFilter(QObject* object, QEvent* event)
{
    auto* editor = qobject_cast<QLineEdit*>(object);
    if (editor && event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        const Qt::KeyboardModifiers modifiers = key->modifiers() & ~Qt::KeypadModifier;
        const bool shift = modifiers == Qt::ShiftModifier;
        std::optional<Move> move;
        switch (key->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            if (modifiers == Qt::NoModifier || shift)
                move = shift ? Move::up : Move::down;
            break;
        case Qt::Key_Tab:
            move = Move::right;
            break;
        case Qt::Key_Backtab:
            move = Move::left;
            break;
        case Qt::Key_Up:
            if (modifiers == Qt::NoModifier)
                move = Move::up;
            break;
        case Qt::Key_Down:
            if (modifiers == Qt::NoModifier)
                move = Move::down;
            break;
        case Qt::Key_Escape:
            if (editor->text() != m_textBeforeEditing) {
                editor->setText(m_textBeforeEditing);
                emit commitData(editor);
            }
            emit closeEditor(editor, QAbstractItemDelegate::NoHint);
            return true;
        default:
            break;
        }
        if (move) {
            emit commitData(editor);
            emit moveRequested(editor, *move);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}

} // namespace quavel
