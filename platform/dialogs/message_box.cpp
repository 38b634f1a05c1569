#include "platform/dialogs/message_box.h"

#include "platform/platform_error.h"

#include <QMessageBox>
#include <QPointer>
#include <QScopeGuard>

const char* const kMessageBoxTitle = "Tavro Pen Writer";

void checkMessageBoxStyle(int style)
{
    if (style != MessageBoxStyle::YesNo && style != MessageBoxStyle::Information)
        throw PlatformError(PlatformErrorCode::InvalidArgument,
                            "Unsupported message box style " + std::to_string(style));
}

bool isMessageBoxAnswer(int style, int result)
{
    switch (style) {
    case MessageBoxStyle::YesNo:
        return result == MessageBoxResult::Yes || result == MessageBoxResult::No;
    case MessageBoxStyle::Information:
        return result == MessageBoxResult::Ok;
    default:
        return false;
    }
}

int QtMessageBoxService::show(QWidget* parent, const QString& text, int style)
{
    checkMessageBoxStyle(style);

    // Held weakly: a handler running inside the box's event loop may take the
    // parent, and the box with it, away.
    QPointer<QMessageBox> box = new QMessageBox(parent);
    const auto cleanup = qScopeGuard([&box] { delete box.data(); });
    box->setWindowTitle(QString::fromUtf8(kMessageBoxTitle));
    box->setTextFormat(Qt::PlainText);
    box->setText(text);

    const bool yesNo = style == MessageBoxStyle::YesNo;
    if (yesNo) {
        box->setIcon(QMessageBox::NoIcon);
        box->setStandardButtons(QMessageBox::Yes | QMessageBox::No);
        box->setDefaultButton(QMessageBox::Yes);
        box->setEscapeButton(QMessageBox::No);
    } else {
        box->setIcon(QMessageBox::Information);
        box->setStandardButtons(QMessageBox::Ok);
        box->setDefaultButton(QMessageBox::Ok);
        box->setEscapeButton(QMessageBox::Ok);
    }

    box->exec();
    QAbstractButton* const clicked = box ? box->clickedButton() : nullptr;
    if (yesNo)
        return clicked && box->standardButton(clicked) == QMessageBox::Yes ? MessageBoxResult::Yes
                                                                            : MessageBoxResult::No;
    return MessageBoxResult::Ok;
}
