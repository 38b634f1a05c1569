#pragma once
// The real common dialog on QFileDialog: the desktop's native file dialog
// where the platform offers one, Qt's own dialog otherwise.
//
// How the properties map: DialogTitle is the window title ("Tavro Pen Writer"
// when empty); the parsed Filter becomes the name filters, showing only the
// descriptions as the user knows them; FileName preselects a name and, when
// it names a folder too, starts there. OverwritePrompt asks before a save
// replaces a file; FileMustExist lets only existing files be chosen. The
// chosen path comes back with native separators and must fit MaxFileSize
// (see fitsMaxFileSize).

#include "platform/dialogs/common_dialog.h"

#include <QPointer>

class QFileDialog;

class QtCommonDialog : public CommonDialog {
public:
    QtCommonDialog(QWidget* parent, QtCommonDialogFactory::Look look);

    void ShowOpen() override;
    void ShowSave() override;

    // The name filter Qt is given for one of our filters: the description
    // followed by the patterns in parentheses, which Qt reads back as the
    // patterns and hides from the user.
    static QString qtNameFilter(const FileFilter& filter);

private:
    enum class Mode { Open, Save };
    void show(Mode mode);
    void setUp(QFileDialog& dialog, Mode mode, const QList<FileFilter>& filters) const;

    QPointer<QWidget> m_parent;
    QtCommonDialogFactory::Look m_look;
};
