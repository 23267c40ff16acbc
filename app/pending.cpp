// Temporary empty members of MainWindow, so that the program links while the pages are built.
// Each folder deletes its entries here as it defines them.

#include "app/mainwindow.h"

