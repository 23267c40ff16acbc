#ifndef PICTURES_UI_PICTUREPAGE_H
#define PICTURES_UI_PICTUREPAGE_H

#include "device/ui/devicepage.h"
#include "pictures/pictureset.h"

#include <array>

class BmpEditor;
class JobDialog;
class QLabel;
class QPushButton;
struct JobResult;

// The picture tab of the customisation page: the LCD pictures of the chosen device, one cell
// per slot (its name, its picture, its edit and default buttons, and a mark while the slot
// holds a change not yet written), the picture editor opened from the cells, and the picture
// read and write jobs. Before a device has been read the tab shows the default pictures of the
// 128 x 32 screens.
class PicturePage : public DevicePage
{
    Q_OBJECT

public:
    enum : int { MaxSlots = PictureSet::MaxSlots };

    // tab is the picture tab of the window's form.
    explicit PicturePage(QWidget *tab, QObject *parent = nullptr);
    ~PicturePage() override;

    // The one picture editor (it has no parent window; it is shown over the window).
    BmpEditor *editor() const { return m_editor; }
    // The picture set shown: the chosen device's, or the defaults before a device was read.
    const PictureSet &pictureSet() const;

    // Shows the pictures of the set anew.
    void showPictureSet();
    // Every slot back to its default picture, all marked for the next write.
    void restoreDefaultPictures();
    // The picture branches of the page's read and write commands.
    void readPictures();
    void writePictures();

    void retranslate() override;

signals:
    // The page shows a device of this screen format now (0 to 2); the customisation page
    // follows it.
    void screenFormatShown(int format);

protected:
    void showDevice() override;
    void followDevice(Device *device, QObject *context) override;

private:
    PictureSet &pictures();
    void restoreDefaultPicture(int slot);
    void openEditor(int slot);
    void takeConfirmedPicture(int slot, const QString &path);
    void showWriteMarks();
    void setButtonsEnabled(bool enabled);
    void pictureReadEnded(Device *owner, JobDialog *dialog, const JobResult &result);
    void pictureWriteEnded(Device *owner, JobDialog *dialog, const JobResult &result);
    QString slotName(int slot) const;

    std::array<QLabel *, MaxSlots> m_names{};
    std::array<QLabel *, MaxSlots> m_pictures{};
    std::array<QPushButton *, MaxSlots> m_editButtons{};
    std::array<QPushButton *, MaxSlots> m_defaultButtons{};
    std::array<QLabel *, MaxSlots> m_writeMarks{};
    QPushButton *m_pageDefault = nullptr;
    BmpEditor *m_editor = nullptr;
    int m_editedSlot = -1;
    PictureSet m_defaults;
};

#endif // PICTURES_UI_PICTUREPAGE_H
