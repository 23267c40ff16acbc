#ifndef SHELL_ABOUT_H
#define SHELL_ABOUT_H

#include <QDialog>
#include <QPoint>
#include <QString>

class QLabel;
class QPushButton;

// The frameless About dialog: the product, its version, the support contacts and a link to the
// web site. It has no system title bar and moves with the left mouse button held anywhere in it.
class About : public QDialog
{
    Q_OBJECT

public:
    explicit About(QWidget *parent = nullptr);

    // Translation in the context "about".
    static QString trAbout(const char *text);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    friend class TestShell;

    QLabel *titleLabel = nullptr;
    QLabel *aboutTextLabel = nullptr;
    QLabel *linkLabel = nullptr;
    QPushButton *aboutCloseButton = nullptr;
    bool moving = false;
    QPoint lastPos;
};

#endif // SHELL_ABOUT_H
