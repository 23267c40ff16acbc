#include "pictures/widgets/picturegrid.h"

#include <QWidget>

PictureGridLayout::PictureGridLayout(QWidget *parent)
    : QLayout(parent)
{ }

PictureGridLayout::~PictureGridLayout()
{
    while (QLayoutItem *item = takeAt(0))
        delete item;
}

void PictureGridLayout::addItem(QLayoutItem *item)
{
    items.append(item);
}

int PictureGridLayout::count() const
{
    return items.size();
}

QLayoutItem *PictureGridLayout::itemAt(int index) const
{
    return items.value(index);
}

QLayoutItem *PictureGridLayout::takeAt(int index)
{
    if (index < 0 || index >= items.size())
        return nullptr;
    return items.takeAt(index);
}

Qt::Orientations PictureGridLayout::expandingDirections() const
{
    return {};
}

bool PictureGridLayout::hasHeightForWidth() const
{
    return true;
}

int PictureGridLayout::gap() const
{
    const int set = spacing();
    return set >= 0 ? set : 6;
}

int PictureGridLayout::visibleCount() const
{
    int visible = 0;
    for (const QLayoutItem *item : items)
        visible += item->isEmpty() ? 0 : 1;
    return visible;
}

QSize PictureGridLayout::cellSize() const
{
    QSize cell(0, 0);
    for (const QLayoutItem *item : items) {
        if (!item->isEmpty())
            cell = cell.expandedTo(item->sizeHint().expandedTo(item->minimumSize()));
    }
    return cell;
}

int PictureGridLayout::columnsFor(int width) const
{
    const QMargins m = contentsMargins();
    const int cellWidth = cellSize().width();
    if (cellWidth <= 0)
        return 1;
    const int inner = width - m.left() - m.right();
    return qMax(1, (inner + gap()) / (cellWidth + gap()));
}

int PictureGridLayout::arrange(const QRect &rect, bool apply) const
{
    const QMargins m = contentsMargins();
    const QSize cell = cellSize();
    const int columns = columnsFor(rect.width());
    int index = 0;
    for (QLayoutItem *item : items) {
        if (item->isEmpty())
            continue;
        if (apply) {
            const int column = index % columns;
            const int row = index / columns;
            item->setGeometry(QRect(rect.x() + m.left() + column * (cell.width() + gap()),
                                    rect.y() + m.top() + row * (cell.height() + gap()),
                                    cell.width(), cell.height()));
        }
        ++index;
    }
    const int rows = (index + columns - 1) / columns;
    return m.top() + m.bottom() + rows * cell.height() + qMax(0, rows - 1) * gap();
}

int PictureGridLayout::heightForWidth(int width) const
{
    return arrange(QRect(0, 0, width, 0), false);
}

QSize PictureGridLayout::minimumSize() const
{
    // One column: the narrowest the grid can be.
    const QMargins m = contentsMargins();
    const QSize cell = cellSize();
    return QSize(cell.width() + m.left() + m.right(), cell.height() + m.top() + m.bottom());
}

QSize PictureGridLayout::sizeHint() const
{
    // Four to a row, as a start; the scroll area gives the real width.
    const QMargins m = contentsMargins();
    const QSize cell = cellSize();
    const int columns = qMin(4, qMax(1, visibleCount()));
    const int width = m.left() + m.right() + columns * cell.width() + (columns - 1) * gap();
    return QSize(width, arrange(QRect(0, 0, width, 0), false));
}

void PictureGridLayout::setGeometry(const QRect &rect)
{
    QLayout::setGeometry(rect);
    arrange(rect, true);
}
