#pragma once
// The common file dialog object the window sets up and shows: properties in,
// a chosen FileName out. Cancel throws PlatformError with
// PlatformErrorCode::DialogCancel.
//
// The rules that need no screen (reading Filter, checking MaxFileSize and the
// Flags against a chosen name) live here, so the real dialog and the scripted
// one in tests cannot drift apart.

#include "platform/platform_error.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <memory>

class QWidget;

namespace CommonDialogFlags {
constexpr int32_t OverwritePrompt = 0x2;  // ask before a save replaces a file
constexpr int32_t HideReadOnly = 0x4;     // no read-only check box (ours never has one)
constexpr int32_t FileMustExist = 0x1000; // only names of existing files come back
}  // namespace CommonDialogFlags

// The dialog's own failures, beside the shared codes. The numbers are those
// the common dialog control used, so a caller that tells them apart by code
// sees what it expects.
namespace PlatformErrorCode {
constexpr int32_t FileNotFound = 53;        // FileMustExist and the chosen file is gone
constexpr int32_t FileNameTooLong = 20476;  // the chosen name does not fit MaxFileSize
}  // namespace PlatformErrorCode

// One file-type filter parsed from the "description|patterns|..." form.
struct FileFilter {
    QString description;
    QStringList patterns;  // e.g. "*.jpg", "*.gif"
    friend bool operator==(const FileFilter&, const FileFilter&) = default;
};

// Parses "Desc1|*.a;*.b|Desc2|*.c" with an optional trailing '|'. Patterns are
// separated by ';', trimmed, and empty ones between separators are dropped.
// An empty string means no filters. Throws PlatformError InvalidArgument when
// the parts do not pair up, a description is empty, or a filter has no pattern.
// Safe on any input.
QList<FileFilter> parseDialogFilter(const QString& filter);

// Whether a name of this many characters fits a MaxFileSize buffer: the
// buffer holds the name and its terminating null, so the longest name that
// fits is MaxFileSize - 1 characters.
bool fitsMaxFileSize(const QString& nativeName, int32_t maxFileSize);

// Checks the properties a dialog is shown with (MaxFileSize at least 1, a
// well-formed Filter) and returns the parsed filters. Throws PlatformError
// InvalidArgument otherwise, before anything is shown.
QList<FileFilter> checkDialogSettings(const QString& filter, int32_t maxFileSize);

// Checks a name the user chose against Flags and MaxFileSize; throws
// FileNameTooLong or FileNotFound. An empty name passes (a dialog may return
// one). nativeName is the path as the platform writes it.
void checkChosenFileName(const QString& nativeName, int32_t flags, int32_t maxFileSize);

class CommonDialog {
public:
    virtual ~CommonDialog() = default;

    int32_t Flags = 0;
    QString FileName;
    QString Filter;
    QString DialogTitle;
    int32_t MaxFileSize = 260;

    // Show the dialog; on success FileName holds the chosen path. On cancel or
    // any failure FileName keeps the value it had.
    virtual void ShowOpen() = 0;
    virtual void ShowSave() = 0;
};

// Makes a fresh dialog object each time the window needs one.
class CommonDialogFactory {
public:
    virtual ~CommonDialogFactory() = default;
    virtual std::unique_ptr<CommonDialog> create(QWidget* parent) = 0;
};

// The real factory: dialogs on QFileDialog (see qt_common_dialog.h).
class QtCommonDialogFactory : public CommonDialogFactory {
public:
    // Native: the desktop's own file dialog where the platform has one.
    // Widget: always Qt's own dialog, which tests can drive.
    enum class Look { Native, Widget };

    explicit QtCommonDialogFactory(Look look = Look::Native) : m_look(look) {}
    std::unique_ptr<CommonDialog> create(QWidget* parent) override;

private:
    Look m_look;
};
