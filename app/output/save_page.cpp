// Saving the page (the floppy disk button): every pointer movement over the
// button captures the page into the hidden Picture2; a click runs End_Rtn,
// which writes that capture as a bitmap, waits a second, has the converter
// library make the JPEG and deletes the bitmap.

#include "app/output/save_page.h"

#include "app/output/capture.h"
#include "app/output/jpeg_converter.h"
#include "app/shell/inkwrite.h"
#include "platform/dialogs/common_dialog.h"
#include "platform/dialogs/message_box.h"
#include "platform/platform_error.h"

#include <QDebug>

#include <new>

void InkWrite::imgSave_MouseMove(int16_t /*Button*/, int16_t /*Shift*/, float /*X*/, float /*Y*/)
{
    const Picture capture = Capture::CaptureFormArea(
        *this, SavePage::kCaptureLeft, SavePage::captureTop(float(Picture1->height())),
        SavePage::kCaptureWidthTwips, SavePage::kCaptureHeightTwips);
    Picture2->setPicture(capture.isNull() ? QPixmap() : QPixmap::fromImage(capture.toImage()));
}

void InkWrite::imgSave_Click()
{
    End_Rtn();
}

// The wait runs a nested event loop in which anything may happen: another
// save, a new page, the exit, new captures. So everything this save needs
// after the wait is held here by value, and the bitmap it converts is the one
// it wrote before waiting.
void InkWrite::End_Rtn()
{
    if (DataPresent != -1)
        return;

    try {
        QString chosen;
        {
            const std::unique_ptr<CommonDialog> dialog = m_services.dialogs.create(this);
            SavePage::setUpSaveDialog(*dialog, goCount);
            dialog->ShowSave();
            chosen = dialog->FileName;
        }
        if (chosen.isEmpty())
            return;

        // This save's own bitmap, whatever other saves of that name do while
        // it waits.
        SavePage::PageBitmap bitmap(Picture2->picture().toImage(), chosen);

        float wait = saveWait;
        Delay(wait);

        std::shared_ptr<JpegConverter> converter = m_jpegConverter;
        if (!converter) {
            converter = std::make_shared<JpegConverter>(m_services.converterFolder);
            m_jpegConverter = converter;
        }
        // A failed conversion keeps the bitmap: it is the only copy of the page.
        converter->convert(bitmap.path());
        bitmap.placeJpeg();
        bitmap.remove();
    } catch (const PlatformError& failure) {
        if (failure.code() == PlatformErrorCode::DialogCancel)
            return;
        qWarning().noquote() << "Saving the page failed:" << failure.what();
        m_services.messageBox.show(this, QString::fromUtf8(SavePage::kSaveFailedMessage),
                                   MessageBoxStyle::Information);
    } catch (const std::bad_alloc&) {
        qWarning().noquote() << "Saving the page failed: out of memory";
        m_services.messageBox.show(this, QString::fromUtf8(SavePage::kSaveFailedMessage),
                                   MessageBoxStyle::Information);
    }
}
