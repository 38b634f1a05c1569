#pragma once
// The platform services the window is given when it is made: the message
// boxes, the common file dialogs and where the JPEG converter library lives.
// main() passes the real ones, tests pass scripted ones; the window reaches
// nothing of the platform's dialogs any other way.

#include <QString>

class MessageBoxService;
class CommonDialogFactory;

struct Services {
    MessageBoxService& messageBox;
    CommonDialogFactory& dialogs;
    // Folder of the converter library that turns a saved bitmap into a JPEG,
    // as an absolute path: the library is loaded from there and nowhere else.
    QString converterFolder;
};
