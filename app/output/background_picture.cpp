// A picture under the ink (the photograph button): the chosen file becomes the
// paper's picture, drawn from its top-left corner behind the ink. A file that
// cannot be shown leaves the paper with the picture it had.

#include "app/shell/inkwrite.h"

#include "platform/dialogs/common_dialog.h"
#include "platform/dialogs/message_box.h"
#include "platform/picture/picture_loader.h"
#include "platform/platform_error.h"

#include <QDebug>

#include <algorithm>
#include <new>

namespace {

const char* const kOpenFailedMessage = "그림 파일을 열 수 없습니다.";
const char* const kOpenFilter =
    "Image File (*.jpg;*.gif;*.bmp;*.wmf;*.emf)|*.jpg;*.gif;*.bmp;*.wmf;*.emf|";
// The explorer look, and a typed extension may differ from the filter's; no
// other flag, so a typed name of a file that does not exist comes back too.
constexpr int32_t kOpenFlags = 0x80000 | 0x400;
constexpr int32_t kMaxFileSize = 10000;

void setUpOpenDialog(CommonDialog& dialog)
{
    dialog.Flags = kOpenFlags;
    dialog.FileName = QString();
    dialog.Filter = QLatin1String(kOpenFilter);
    dialog.DialogTitle = QString::fromUtf8(kMessageBoxTitle);
    dialog.MaxFileSize = kMaxFileSize;
}

// What of the paper can show, from its corner: the paper box reaches past
// the window, whose size is fixed.
QSize shownPart(const QWidget& paper)
{
    const QWidget& window = *paper.window();
    const QRect inWindow(paper.mapTo(&window, QPoint(0, 0)), paper.size());
    const QRect visible = inWindow.intersected(window.rect());
    return QSize(std::max(1, visible.right() + 1 - inWindow.left()),
                 std::max(1, visible.bottom() + 1 - inWindow.top()));
}

// The picture is decoded or played once, at the open, into pixels for what
// can show, at the paper's device pixel ratio (a metafile stays sharp).
// Repaints only copy those pixels.
void showOnPaper(PictureBox& paper, const Picture& picture)
{
    QPixmap pixmap = QPixmap::fromImage(picture.toImage());
    if (pixmap.isNull())
        throw std::bad_alloc();
    paper.setPicture(pixmap);
}

}  // namespace

void InkWrite::picOpen_Click()
{
    try {
        QString chosen;
        {
            const std::unique_ptr<CommonDialog> dialog = m_services.dialogs.create(this);
            setUpOpenDialog(*dialog);
            dialog->ShowOpen();
            chosen = dialog->FileName;
        }
        if (chosen.isEmpty())
            return;
        const Picture picture =
            LoadPicture(chosen, ImgPaper->logicalDpiX(), shownPart(*ImgPaper), ImgPaper->devicePixelRatioF());
        showOnPaper(*ImgPaper, picture);
    } catch (const PlatformError& failure) {
        if (failure.code() == PlatformErrorCode::DialogCancel)
            return;
        qWarning().noquote() << "Opening the picture failed:" << failure.what();
        m_services.messageBox.show(this, QString::fromUtf8(kOpenFailedMessage), MessageBoxStyle::Information);
    } catch (const std::bad_alloc&) {
        qWarning().noquote() << "Opening the picture failed: out of memory";
        m_services.messageBox.show(this, QString::fromUtf8(kOpenFailedMessage), MessageBoxStyle::Information);
    }
}
