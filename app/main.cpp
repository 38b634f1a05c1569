// Tavro Pen Writer: one window, inkWrite, for writing and drawing with a pen.

#include "app/automation/session_bus.h"
#include "app/shell/application.h"
#include "app/shell/artwork.h"
#include "app/shell/inkwrite.h"
#include "platform/dialogs/common_dialog.h"
#include "platform/dialogs/message_box.h"
#include "platform/dialogs/qt_translations.h"

#include <QDir>

int main(int argc, char** argv)
{
    TavroApplication app(argc, argv);
    app.setApplicationName(QStringLiteral("Tavro Pen Writer"));
    app.setDesktopFileName(QStringLiteral("org.tavro.PenWriter"));
    installQtTranslations(app);

    QtMessageBoxService messageBox;
    QtCommonDialogFactory dialogs;
    // The converter library lives in the program's private library folder:
    // build/app -> build/lib/tavro-pen-writer, /usr/bin -> /usr/lib/tavro-pen-writer.
    const QString converterFolder =
        QDir::cleanPath(QCoreApplication::applicationDirPath() + QStringLiteral("/../lib/tavro-pen-writer"));
    Services services{messageBox, dialogs, converterFolder};
    app.setErrorReporter(&messageBox);

    return runPenWriter(messageBox, [&] {
        app.setWindowIcon(Artwork::appIcon());
        auto window = std::make_unique<InkWrite>(services);
        Automation::publishOnSessionBus(*window);
        return window;
    });
}
