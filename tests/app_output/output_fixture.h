#pragma once
// The window with scripted dialogs and a converter folder of the test's
// choice, plus what the page-output tests do to it: draw on the paper through
// the real collector, move over and click the tool-bar buttons, and look at
// the files a save leaves.

#include "tests/app/window_fixture.h"

#include "tests/picture/picture_fixtures.h"
#include "platform/ink/ink_collector.h"

#include <QImage>
#include <QImageReader>

#include <memory>

// The program's converter, built into the build's private library folder.
inline QString realConverterFolder() { return QStringLiteral(TAVRO_CONVERTER_FOLDER); }

struct OutputWindow {
    explicit OutputWindow(QString converterFolder = realConverterFolder())
        : services{messageBox, dialogs, std::move(converterFolder)},
          form(std::make_unique<InkWrite>(services))
    {
    }

    [[nodiscard]] bool show()
    {
        form->show();
        return QTest::qWaitForWindowExposed(form.get());
    }

    // A left-button line on the paper, in the paper's pixels.
    void drawLine(QPoint from, QPoint to, int steps = 20)
    {
        sendMouse(form->ImgPaper, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, from);
        for (int i = 1; i <= steps; ++i) {
            const QPoint at = from + (to - from) * i / steps;
            sendMouse(form->ImgPaper, QEvent::MouseMove, Qt::NoButton, Qt::LeftButton, at);
        }
        sendMouse(form->ImgPaper, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, to);
    }
    // A horizontal line across the paper at height y (paper pixels).
    void drawRow(int y) { drawLine(QPoint(100, y), QPoint(300, y)); }

    void hoverSave() { sendMouse(form->imgSave, QEvent::MouseMove, Qt::NoButton, Qt::NoButton, QPoint(20, 20)); }
    void clickSave() { click(form->imgSave, QPoint(20, 20)); }
    // Moving over the button first, as a real pointer does.
    void save()
    {
        hoverSave();
        clickSave();
    }

    int strokeCount() { return form->myInkCollector->Ink().strokeCount(); }

    ScriptedMessageBoxService messageBox;
    ScriptedCommonDialogFactory dialogs;
    Services services;
    std::unique_ptr<InkWrite> form;
};

// Where a point of the paper lands in the saved page: the page starts 2
// pixels into the paper, right and down.
inline QPoint pageAt(QPoint paper) { return paper - QPoint(2, 2); }

// How many pixels of the row stretch are darker than mid grey.
inline int darkPixels(const QImage& image, int y, int fromX, int toX)
{
    int dark = 0;
    for (int x = fromX; x <= toX; ++x) {
        for (int dy = -2; dy <= 2; ++dy) {
            if (y + dy >= 0 && y + dy < image.height() && qGray(image.pixel(x, y + dy)) < 128) {
                ++dark;
                break;
            }
        }
    }
    return dark;
}

// Whether the line drawn by drawRow(y) shows in the page image: dark along
// most of its length.
inline bool showsRow(const QImage& page, int paperY)
{
    const QPoint from = pageAt(QPoint(110, paperY));
    const QPoint to = pageAt(QPoint(290, paperY));
    return darkPixels(page, from.y(), from.x(), to.x()) > (to.x() - from.x()) * 9 / 10;
}
inline bool blankRow(const QImage& page, int paperY)
{
    const QPoint from = pageAt(QPoint(100, paperY));
    return darkPixels(page, from.y(), 0, page.width() - 1) == 0;
}

using fixtures::filesIn;
