// A picture under the ink (the photograph button): the chosen file becomes the
// paper's picture, drawn from its top-left corner behind the ink. A file that
// cannot be shown leaves the paper with the picture it had.

#include "app/shell/inkwrite.h"

#include "platform/dialogs/common_dialog.h"
#include "platform/dialogs/message_box.h"
#include "platform/picture/picture_loader.h"
#include "platform/platform_error.h"

#include <QDebug>
#include <QPainter>

#include <cmath>
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

// A raster is shown 1:1 in logical pixels. A metafile is drawn again for the
// device pixel ratio the paper is shown at, so it stays sharp.
void showOnPaper(PictureBox& paper, const Picture& picture)
{
    if (picture.isRaster()) {
        QPixmap pixmap = QPixmap::fromImage(picture.toImage());
        if (pixmap.isNull())
            throw std::bad_alloc();
        paper.setPicture(pixmap);
        return;
    }
    paper.setPictureSource([picture](qreal ratio) {
        const QSize size = picture.size();
        QPixmap pixmap(QSize(int(std::ceil(size.width() * ratio)), int(std::ceil(size.height() * ratio))));
        if (pixmap.isNull())
            return pixmap;
        pixmap.setDevicePixelRatio(ratio);
        pixmap.fill(Qt::transparent);
        QPainter painter(&pixmap);
        picture.draw(painter, QPointF(0, 0));
        return pixmap;
    });
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
        const Picture picture = LoadPicture(chosen, ImgPaper->logicalDpiX());
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
