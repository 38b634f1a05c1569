#include "platform/dialogs/qt_common_dialog.h"

#include "platform/dialogs/message_box.h"

#include <QDir>
#include <QFileDialog>
#include <QScopeGuard>

std::unique_ptr<CommonDialog> QtCommonDialogFactory::create(QWidget* parent)
{
    return std::make_unique<QtCommonDialog>(parent, m_look);
}

QtCommonDialog::QtCommonDialog(QWidget* parent, QtCommonDialogFactory::Look look)
    : m_parent(parent), m_look(look)
{
}

void QtCommonDialog::ShowOpen() { show(Mode::Open); }
void QtCommonDialog::ShowSave() { show(Mode::Save); }

QString QtCommonDialog::qtNameFilter(const FileFilter& filter)
{
    return filter.description + QStringLiteral(" (") + filter.patterns.join(QLatin1Char(' '))
        + QLatin1Char(')');
}

void QtCommonDialog::setUp(QFileDialog& dialog, Mode mode, const QList<FileFilter>& filters) const
{
    dialog.setWindowTitle(DialogTitle.isEmpty() ? QString::fromUtf8(kMessageBoxTitle) : DialogTitle);
    dialog.setOption(QFileDialog::DontUseNativeDialog,
                     m_look == QtCommonDialogFactory::Look::Widget);
    dialog.setAcceptMode(mode == Mode::Open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
    dialog.setFileMode((Flags & CommonDialogFlags::FileMustExist) ? QFileDialog::ExistingFile
                                                                  : QFileDialog::AnyFile);
    dialog.setOption(QFileDialog::DontConfirmOverwrite,
                     !(Flags & CommonDialogFlags::OverwritePrompt));
    // The user sees the descriptions only, as the filter string intends: the
    // save's "Image File (*.jpg)" filter really lists *.bmp.
    dialog.setOption(QFileDialog::HideNameFilterDetails, true);

    if (!filters.isEmpty()) {
        QStringList nameFilters;
        for (const FileFilter& filter : filters)
            nameFilters.append(qtNameFilter(filter));
        dialog.setNameFilters(nameFilters);
        dialog.selectNameFilter(nameFilters.first());
    }

    const QString name = QDir::fromNativeSeparators(FileName);
    const qsizetype slash = name.lastIndexOf(QLatin1Char('/'));
    if (slash >= 0) {
        dialog.setDirectory(slash == 0 ? QStringLiteral("/") : name.left(slash));
        dialog.selectFile(name.mid(slash + 1));
    } else if (!name.isEmpty()) {
        dialog.selectFile(name);
    }
}

void QtCommonDialog::show(Mode mode)
{
    const QList<FileFilter> filters = checkDialogSettings(Filter, MaxFileSize);

    // Held weakly: a handler running inside the dialog's event loop may take
    // the parent, and the dialog with it, away.
    QPointer<QFileDialog> dialog = new QFileDialog(m_parent.data());
    const auto cleanup = qScopeGuard([&dialog] { delete dialog.data(); });
    setUp(*dialog, mode, filters);

    const int result = dialog->exec();
    if (!dialog || result != QDialog::Accepted)
        throw PlatformError(PlatformErrorCode::DialogCancel, "The file dialog was cancelled");

    const QString chosen = QDir::toNativeSeparators(dialog->selectedFiles().value(0));
    checkChosenFileName(chosen, Flags, MaxFileSize);
    FileName = chosen;
}
