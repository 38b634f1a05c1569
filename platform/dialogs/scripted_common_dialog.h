#pragma once
// Common dialogs for tests: the factory records what every dialog was shown
// with and answers from one queue shared by all its dialogs (a file name, a
// cancel, or a failure). The Flags, MaxFileSize and Filter rules that need no
// screen apply as in the real dialog. A show with nothing queued is a fault in
// the test: counted, logged as critical and thrown as ScriptedDialogError.

#include "platform/dialogs/common_dialog.h"

#include <memory>

class ScriptedCommonDialogFactory : public CommonDialogFactory {
public:
    enum class Kind { Open, Save };

    // The properties a dialog had at the moment it was shown.
    struct Shown {
        QWidget* parent;  // for comparison only; it may be gone by now
        Kind kind;
        int32_t Flags;
        QString FileName;
        QString Filter;
        QString DialogTitle;
        int32_t MaxFileSize;
    };

    ScriptedCommonDialogFactory();
    ~ScriptedCommonDialogFactory() override;

    void queueFileName(const QString& chosen);  // the user confirms this name
    void queueCancel();                         // the user cancels
    void queueFailure(int32_t code, const QString& message);  // the dialog itself fails

    std::unique_ptr<CommonDialog> create(QWidget* parent) override;

    const QList<Shown>& shown() const;
    int createdDialogs() const;
    int pendingAnswers() const;
    int unexpectedShows() const;

    struct Script;  // the queue and the records, defined in the .cpp

private:
    // Shared with the dialogs, which may outlive the factory.
    std::shared_ptr<Script> m_script;
};
