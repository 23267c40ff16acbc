#ifndef PICTURES_WIDGETS_PICTUREGRID_H
#define PICTURES_WIDGETS_PICTUREGRID_H

#include <QLayout>
#include <QList>

// A layout of equal cells, as many to a row as its width holds, row after row. Every cell is as
// large as the largest size hint among the visible items. It reports the height a width needs,
// so inside a resizable scroll area the cells wrap to the window's width and only the rows
// scroll.
class PictureGridLayout : public QLayout
{
public:
    explicit PictureGridLayout(QWidget *parent = nullptr);
    ~PictureGridLayout() override;

    void addItem(QLayoutItem *item) override;
    int count() const override;
    QLayoutItem *itemAt(int index) const override;
    QLayoutItem *takeAt(int index) override;

    Qt::Orientations expandingDirections() const override;
    bool hasHeightForWidth() const override;
    int heightForWidth(int width) const override;
    QSize minimumSize() const override;
    QSize sizeHint() const override;
    void setGeometry(const QRect &rect) override;

    // How many cells a row of the given width (margins included) holds; at least one.
    int columnsFor(int width) const;
    QSize cellSize() const;

private:
    int gap() const;
    int visibleCount() const;
    // Places the visible items in rect (when apply is set); returns the height used.
    int arrange(const QRect &rect, bool apply) const;

    QList<QLayoutItem *> items;
};

#endif // PICTURES_WIDGETS_PICTUREGRID_H
