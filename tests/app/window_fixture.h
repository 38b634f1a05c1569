#pragma once
// A loaded window with scripted services, for the window's tests, and the
// test main that runs them under the program's own application object.

#include "app/shell/application.h"
#include "app/shell/inkwrite.h"
#include "app/shell/services.h"
#include "platform/dialogs/scripted_common_dialog.h"
#include "platform/dialogs/scripted_message_box.h"
#include "tests/mouse_input.h"

#include <QTest>

#include <memory>

struct WindowFixture {
    ScriptedMessageBoxService messageBox;
    ScriptedCommonDialogFactory dialogs;
    Services services{messageBox, dialogs, QStringLiteral("/nonexistent")};
    std::unique_ptr<InkWrite> form = std::make_unique<InkWrite>(services);

    [[nodiscard]] bool show()
    {
        form->show();
        return QTest::qWaitForWindowExposed(form.get());
    }
};

inline void click(QWidget* widget, QPoint at = QPoint(5, 5))
{
    sendMouse(widget, QEvent::MouseButtonPress, Qt::LeftButton, Qt::LeftButton, at);
    sendMouse(widget, QEvent::MouseButtonRelease, Qt::LeftButton, Qt::NoButton, at);
}

#define TAVRO_WINDOW_TEST_MAIN(TestClass)                \
    int main(int argc, char** argv)                      \
    {                                                    \
        TavroApplication app(argc, argv);                \
        TestClass test;                                  \
        return QTest::qExec(&test, argc, argv);          \
    }
