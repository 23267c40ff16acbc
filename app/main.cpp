#include "app/mainwindow.h"
#include "device/hidbackend.h"
#include "resources/art/artresources.h"
#include "resources/translations/translationresources.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    initArtResources();
    initTranslationResources();
    selectHidBackendFromEnvironment();

    MainWindow window;
    window.show();
    return app.exec();
}
